#include "calculator/Operand.h"
#include "common/Exception.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tarvessa {
namespace {

struct CheckCase {
    const char16_t* text;
    bool wholeNumber;
    bool passes;
};

TEST(CheckOperand, AdmitsDigitsMinusAndOnePoint) {
    const CheckCase cases[] = {
        {u"12", false, true},     {u"1.5", false, true},     {u".", false, true},
        {u"-", false, true},   // left to the conversion
        {u"5-", false, true},  // place of "-" is not checked
        {u"--5", false, true}, // nor their number
        {u"1.2.3", false, false}, {u"1,5", false, false},    {u" 1", false, false},
        {u"1 ", false, false},    {u"1e5", false, false},    {u"+1", false, false},
        {u"FF", false, false},    {u"DEC=12", false, false}, {u"HEX=1F", false, false},
        {u"１", false, false}, // full-width digit
        {u"", false, true},    // emptiness is the caller's own refusal
        {u"10", true, true},      {u"00", true, true},       {u"-1", true, false},
        {u"-", true, false},      {u"1.5", true, false},     {u"5.", true, false},
        {u"1e3", true, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CheckOperand(QString::fromUtf16(c.text), c.wholeNumber), c.passes)
            << QString::fromUtf16(c.text).toStdString() << " whole=" << c.wholeNumber;
}

TEST(CheckOperand, LooksAtEveryCharacterNotOnlyTheFirstBadOne) {
    // Two points and an invalid character: still one refusal, and a later
    // valid part does not rescue an earlier bad character.
    EXPECT_FALSE(CheckOperand(QStringLiteral("x123"), false));
    EXPECT_FALSE(CheckOperand(QStringLiteral("1.2x.3"), false));
    EXPECT_FALSE(CheckOperand(QStringLiteral("123."), true));
}

struct ConvertCase {
    const char* text;
    double value;
};

TEST(OperandToDouble, AcceptedTexts) {
    const ConvertCase cases[] = {
        {"12", 12.0},
        {"-12", -12.0},
        {"1.5", 1.5},
        {"-0.25", -0.25},
        {"5.", 5.0},
        {".5", 0.5},
        {".", 0.0},
        {"-.", -0.0},
        {"000", 0.0},
        {"007.50", 7.5},
        {"0.1", 0.1},
        {"2147483648", 2147483648.0},
        {"179769313486231570814527423731704356798070567525844996598917476803157260780028538760589"
         "558632766878171540458953514382464234321326889464182768467546703537516986049910576551282"
         "076245490090389328944075868508455133942304583236903222948165808559332123348274797826204"
         "144723168738177180919299881250404026184124858368",
         std::numeric_limits<double>::max()},
        // Exactly halfway between 1 and the next double, plus a tiny bit far
        // beyond 17 digits: must round up.
        {"1.00000000000000011102230246251565404236316680908203125000000000000000000001",
         std::nextafter(1.0, 2.0)},
        // Exactly halfway: ties to even, stays 1.
        {"1.00000000000000011102230246251565404236316680908203125", 1.0},
    };
    for (const auto& c : cases) {
        const double v = OperandToDouble(QString::fromLatin1(c.text));
        EXPECT_EQ(v, c.value) << c.text;
        EXPECT_EQ(std::signbit(v), std::signbit(c.value)) << c.text;
    }
}

TEST(OperandToDouble, RefusedTextsNameTheWholeOperand) {
    const char* cases[] = {"-", "5-", "1-2", "--5", "-5-", "", "+", "1.2.3", "1e5", " 1", "1 "};
    for (const char* text : cases) {
        try {
            OperandToDouble(QString::fromLatin1(text));
            ADD_FAILURE() << "accepted: " << text;
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("'%1' is not a valid floating point value")
                                       .arg(QString::fromLatin1(text)));
        }
    }
}

TEST(OperandToDouble, BeyondTheDoubleRangeOverflows) {
    const QString huge = QStringLiteral("1") + QString(400, u'0');
    const QString justAbove = QStringLiteral("17976931348623159") + QString(292, u'0');
    for (const QString& text : {huge, QString(u'-' + huge), justAbove, QString(u'-' + justAbove)}) {
        try {
            OperandToDouble(text);
            ADD_FAILURE() << "no overflow for " << text.size() << " characters";
        } catch (const EOverflow& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("Floating point overflow"));
        }
    }
    // Long but in range: leading zeros and many decimals cost nothing.
    EXPECT_EQ(OperandToDouble(QString(1000, u'0') + QStringLiteral("1.") + QString(1000, u'0')),
              1.0);
}

TEST(OperandToDouble, TooSmallQuietlyBecomesZeroOrDenormal) {
    const QString tiny = QStringLiteral("0.") + QString(400, u'0') + QStringLiteral("1");
    EXPECT_EQ(OperandToDouble(tiny), 0.0);
    EXPECT_TRUE(std::signbit(OperandToDouble(u'-' + tiny)));
    const QString denormal = QStringLiteral("0.") + QString(319, u'0') + QStringLiteral("4");
    EXPECT_EQ(OperandToDouble(denormal), 4e-320);
}

TEST(OperandToDouble, UsesTheGivenSeparator) {
    EXPECT_EQ(OperandToDouble(QStringLiteral("1,5"), u','), 1.5);
    EXPECT_EQ(OperandToDouble(QStringLiteral("12"), u','), 12.0);
    // A point passes the character check but is no separator here.
    ASSERT_TRUE(CheckOperand(QStringLiteral("1.5"), false));
    EXPECT_THROW(OperandToDouble(QStringLiteral("1.5"), u','), EConvertError);
    EXPECT_THROW(OperandToDouble(QStringLiteral("."), u','), EConvertError);
}

} // namespace
} // namespace tarvessa
