#include "calculator/BaseConversion.h"

#include <gtest/gtest.h>

namespace tarvessa {
namespace {

using S = ConversionStatus;

struct BaseCase {
    const char* text;
    ConversionStatus status;
    const char* result;
};

TEST(HexToDec, WrapsModulo2To64AsSigned) {
    const BaseCase cases[] = {
        {"FF", S::Ok, "255"},
        {"ff", S::Ok, "255"},
        {"fF", S::Ok, "255"},
        {"10", S::Ok, "16"},
        {"0", S::Ok, "0"},
        {"000000000000000000000000000000007", S::Ok, "7"},
        {"7FFFFFFF", S::Ok, "2147483647"},
        {"7FFFFFFFFFFFFFFF", S::Ok, "9223372036854775807"},
        {"8000000000000000", S::Ok, "-9223372036854775808"},
        {"FFFFFFFFFFFFFFFF", S::Ok, "-1"},
        {"10000000000000000", S::Ok, "0"},   // 17 digits: the leading 1 adds nothing
        {"ABC0000000000000001", S::Ok, "1"}, // only the last sixteen count
        {"255", S::Ok, "597"},               // a decimal result read as hexadecimal
        {"1E15", S::Ok, "7701"},
        {"1G", S::InvalidFormat, ""},
        {"0x1F", S::InvalidFormat, ""},
        {"-1", S::InvalidFormat, ""},
        {"1.5", S::InvalidFormat, ""},
        {" FF", S::InvalidFormat, ""},
        {"FFh", S::InvalidFormat, ""},
        {"G0000000000000000", S::InvalidFormat, ""}, // checked even where it adds nothing
        {"Send Data By COM-10", S::InvalidFormat, ""},
        {"", S::InvalidFormat, ""},
    };
    for (const auto& c : cases) {
        const ConversionResult r = HexToDec(QString::fromLatin1(c.text));
        EXPECT_EQ(r.status, c.status) << c.text;
        EXPECT_EQ(r.text.toStdString(), c.result) << c.text;
    }
}

TEST(DecToHex, DigitsOnlyAndRefusesBeyondInt32) {
    const BaseCase cases[] = {
        {"255", S::Ok, "FF"},
        {"2147483647", S::Ok, "7FFFFFFF"},
        {"007", S::Ok, "7"},
        {"0", S::Ok, "0"},
        {"000", S::Ok, "0"},
        {"16", S::Ok, "10"},
        {"0000000000000000000000000000001", S::Ok, "1"},
        // Above int32: refused instead of the old wrong "FF".
        {"2147483648", S::TooLarge, ""},
        {"99999999999999999999999999", S::TooLarge, ""},
        {"-5", S::InvalidFormat, ""},
        {"1.5", S::InvalidFormat, ""},
        {"FF", S::InvalidFormat, ""},
        {"1E15", S::InvalidFormat, ""},
        {"+5", S::InvalidFormat, ""},
        {"", S::InvalidFormat, ""},
    };
    for (const auto& c : cases) {
        const ConversionResult r = DecToHex(QString::fromLatin1(c.text));
        EXPECT_EQ(r.status, c.status) << c.text;
        EXPECT_EQ(r.text.toStdString(), c.result) << c.text;
    }
}

TEST(BaseConversion, DecimalRoundTripThroughHexadecimal) {
    for (const char* text :
         {"0", "1", "9", "10", "255", "4096", "65535", "123456789", "2147483646", "2147483647"}) {
        const ConversionResult hex = DecToHex(QString::fromLatin1(text));
        ASSERT_EQ(hex.status, S::Ok) << text;
        const ConversionResult back = HexToDec(hex.text);
        ASSERT_EQ(back.status, S::Ok) << text;
        EXPECT_EQ(back.text.toStdString(), text);
    }
}

} // namespace
} // namespace tarvessa
