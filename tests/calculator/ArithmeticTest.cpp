#include "calculator/Arithmetic.h"
#include "common/Exception.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tarvessa {
namespace {

constexpr double kMax = std::numeric_limits<double>::max();

// The loop the result must equal: n rounded multiplications, no shortcut.
double PlainPower(double x, int32_t n) {
    double r = 1.0;
    for (int32_t i = 0; i < n; ++i)
        r *= x;
    return r;
}

TEST(Arithmetic, FourOperationsAndTheirOverflow) {
    EXPECT_EQ(Add(1, 2), 3);
    EXPECT_EQ(Add(0.1, 0.2), 0.1 + 0.2);
    EXPECT_EQ(Subtract(5, 7.5), -2.5);
    EXPECT_EQ(Multiply(-3, 0.5), -1.5);
    EXPECT_EQ(Divide(1, 3), 1.0 / 3.0);
    EXPECT_EQ(Divide(0, 5), 0);
    EXPECT_EQ(Multiply(1e-200, 1e-200), 0); // too small: quietly zero

    EXPECT_THROW(Add(kMax, kMax), EOverflow);
    EXPECT_THROW(Subtract(-kMax, kMax), EOverflow);
    EXPECT_THROW(Multiply(1e200, -1e200), EOverflow);
    EXPECT_THROW(Divide(1e300, 1e-300), EOverflow);
    EXPECT_THROW(Divide(1, 0.0), EOverflow);
    EXPECT_THROW(Divide(0, -0.0), EOverflow);
}

TEST(Arithmetic, RunningSumKeepsItsValueWhenAddRaises) {
    double sum = 0;
    for (double v : {5.0, 2.5, -1.0})
        sum = Add(sum, v);
    EXPECT_EQ(sum, 6.5);
    sum = kMax;
    EXPECT_THROW(sum = Add(sum, kMax), EOverflow);
    EXPECT_EQ(sum, kMax);
}

struct PowerCase {
    double x;
    int32_t n;
    double expected;
};

TEST(Power, ResultsAndEarlyStops) {
    const PowerCase cases[] = {
        {2, 10, 1024},
        {0.5, 3, 0.125},
        {-2, 3, -8},
        {-2, 4, 16},
        {5, 0, 1},
        {0, 3, 0},
        {1, 2147483647, 1},
        {-1, 2147483647, -1},
        {-1, 2147483646, 1},
        {0.5, 2147483647, 0},
        {-0.5, 2147483647, -0.0},
        {-0.5, 2147483646, 0.0},
        {1e-300, 2, 0},
        {-1e-300, 3, -0.0},
    };
    for (const auto& c : cases) {
        const double r = Power(c.x, c.n);
        EXPECT_EQ(r, c.expected) << c.x << "^" << c.n;
        EXPECT_EQ(std::signbit(r), std::signbit(c.expected)) << c.x << "^" << c.n;
    }
}

TEST(Power, EqualsThePlainLoopWhereTheMagnitudeSettles) {
    // Near 1 the rounding can leave |r| unchanged long before the last step,
    // and in the denormal range a factor below 1 stops shrinking |r|. The
    // shortcut must keep the exact result, sign included.
    const double x[] = {
        std::nextafter(1.0, 0.0), -std::nextafter(1.0, 0.0), 0.999, -0.999, 0.75, -0.75, 1.1, -1.1,
        std::nextafter(1.0, 2.0), -std::nextafter(1.0, 2.0)};
    for (double v : x)
        for (int32_t n : {1, 2, 7, 100, 5000, 5001, 200000, 200001}) {
            double plain = 0;
            bool overflow = false;
            try {
                plain = PlainPower(v, n);
                overflow = std::isinf(plain);
            } catch (...) {
            }
            if (overflow) {
                EXPECT_THROW(Power(v, n), EOverflow) << v << "^" << n;
                continue;
            }
            const double r = Power(v, n);
            EXPECT_EQ(r, plain) << v << "^" << n;
            EXPECT_EQ(std::signbit(r), std::signbit(plain)) << v << "^" << n;
        }
    // A denormal fixed point: 0.9 keeps 4.9e-324 * k from shrinking once k is small.
    EXPECT_EQ(Power(0.9, 8000), PlainPower(0.9, 8000));
    EXPECT_GT(Power(0.9, 8000), 0.0);
    EXPECT_EQ(Power(-0.9, 8001), PlainPower(-0.9, 8001));
    EXPECT_LT(Power(-0.9, 8001), 0.0);
}

TEST(Power, OverflowAtAnyStepRaises) {
    EXPECT_THROW(Power(10, 400), EOverflow);
    EXPECT_THROW(Power(-10, 400), EOverflow);
    EXPECT_THROW(Power(2, 2147483647), EOverflow);
    EXPECT_EQ(Power(10, 308), PlainPower(10, 308));
    EXPECT_THROW(Power(10, 309), EOverflow);
}

} // namespace
} // namespace tarvessa
