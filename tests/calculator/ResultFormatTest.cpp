#include "calculator/ResultFormat.h"
#include "common/Exception.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>

namespace tarvessa {
namespace {

struct FormatCase {
    double value;
    const char* text;
};

TEST(FormatResult, FifteenDigitsHalfAwayFromZero) {
    const FormatCase cases[] = {
        {0.0, "0"},
        {-0.0, "0"},
        {3.0, "3"},
        {0.1 + 0.2, "0.3"},
        {1.0 / 3.0, "0.333333333333333"},
        {2.0 / 3.0, "0.666666666666667"},
        {-2.0 / 3.0, "-0.666666666666667"},
        {10.0 - 10.5, "-0.5"},
        {-2.5, "-2.5"},
        {1024.0, "1024"},
        {0.125, "0.125"},
        {0.15, "0.15"}, // stored just below 0.15, far from a 15-digit half
        {999999999999999.0, "999999999999999"},
        {123456789012345.6, "123456789012346"},
        {1.000000000000001, "1"}, // stored as ...00111: digit 16 is 1
        // 0.9999999999999995 is stored as 0.99999999999999944..., below the
        // half; the next double up, 0.99999999999999955..., carries to 1.
        {0.9999999999999995, "0.999999999999999"},
        {0.9999999999999996, "1"},
        {-0.9999999999999996, "-1"},
        // Exact halves at the 16th digit: away from zero, not to even.
        {112589990684262.5, "112589990684263"},
        {-112589990684262.5, "-112589990684263"},
        {0.5, "0.5"},
        {5e-324, "4.94065645841247E-324"},
        {std::numeric_limits<double>::max(), "1.79769313486232E308"},
        {std::numeric_limits<double>::min(), "2.2250738585072E-308"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatResult(c.value).toStdString(), c.text) << c.value;
}

TEST(FormatResult, NotationBordersAfterRounding) {
    const FormatCase cases[] = {
        {0.0001, "0.0001"},
        {-0.0001, "-0.0001"},
        {0.00012345, "0.00012345"},
        {0.000099999999999999995, "0.0001"}, // rounds up into fixed notation
        {0.0000999999999999999, "9.99999999999999E-5"},
        {0.00001, "1E-5"},
        {0.00000015, "1.5E-7"},
        {-0.00000015, "-1.5E-7"},
        {999999999999999.4, "999999999999999"},
        {999999999999999.5, "1E15"}, // an exact half that carries to 16 digits
        {-999999999999999.5, "-1E15"},
        {1e15, "1E15"},
        {1.5e17, "1.5E17"},
        {-2.5e20, "-2.5E20"},
        {123456789.0, "123456789"},
        {100000000000000.0, "100000000000000"},
        {12345678901234.5, "12345678901234.5"},
        {1e100, "1E100"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatResult(c.value).toStdString(), c.text) << c.value;
}

// Away from exact halves, the C library's 15-digit rounding of the exact value
// is the same number: both texts must read back as the same double, across
// the whole range of exponents.
TEST(FormatResult, AgreesWithLibraryRoundingOnRandomDoubles) {
    std::mt19937_64 random(20240601);
    for (int i = 0; i < 20000; ++i) {
        const uint64_t bits = random();
        double v = 0;
        std::memcpy(&v, &bits, sizeof v);
        if (!std::isfinite(v) || v == 0)
            continue;
        const std::string ours = FormatResult(v).toStdString();
        const double read = std::strtod(ours.c_str(), nullptr);
        char exact[1100];
        std::snprintf(exact, sizeof exact, "%.800e", v);
        const std::string tail(exact + (v < 0 ? 17 : 16), 785);
        if (tail.find_first_not_of('0', 1) == std::string::npos && tail[0] == '5') {
            // An exact half: away from zero, where the library goes to even.
            ASSERT_GT(std::fabs(read), std::fabs(v)) << ours << " vs " << exact;
            continue;
        }
        char reference[64];
        std::snprintf(reference, sizeof reference, "%.14e", v);
        ASSERT_EQ(read, std::strtod(reference, nullptr)) << ours << " vs " << reference;
    }
}

TEST(FormatResult, WritesTheGivenSeparator) {
    EXPECT_EQ(FormatResult(-2.5, u','), QStringLiteral("-2,5"));
    EXPECT_EQ(FormatResult(0.0001, u','), QStringLiteral("0,0001"));
    EXPECT_EQ(FormatResult(1.5e-7, u','), QStringLiteral("1,5E-7"));
    EXPECT_EQ(FormatResult(1e15, u','), QStringLiteral("1E15"));
}

TEST(FormatResult, NonFiniteValuesRaiseOverflow) {
    EXPECT_THROW(FormatResult(std::numeric_limits<double>::infinity()), EOverflow);
    EXPECT_THROW(FormatResult(std::nan("")), EOverflow);
}

} // namespace
} // namespace tarvessa
