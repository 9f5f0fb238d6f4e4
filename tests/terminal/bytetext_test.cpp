#include "terminal/ByteText.h"

#include "common/Exception.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <gtest/gtest.h>
#include <random>
#include <vector>

using namespace tarvessa;

namespace {

QByteArray Bytes(std::initializer_list<int> values) {
    QByteArray bytes;
    for (int v : values)
        bytes.append(static_cast<char>(v));
    return bytes;
}

QString Display(const QByteArray& bytes) {
    return BytesToDisplayText(bytes.constData(), bytes.size());
}

QString Chars(std::initializer_list<char16_t> codes) {
    QString text;
    for (char16_t c : codes)
        text.append(QChar(c));
    return text;
}

// The message of the conversion error a call raises, or "" when it raises none.
template <class F> QString ErrorOf(F&& call) {
    try {
        call();
    } catch (const EConvertError& e) {
        return e.Message();
    }
    return {};
}

QString NotInteger(const QString& c) {
    return QStringLiteral("'%1' is not a valid integer value").arg(c);
}

} // namespace

TEST(ByteText, GbkIsAvailable) {
    // Everything below relies on Qt's ICU-backed GBK converters.
    EXPECT_TRUE(QStringEncoder("GBK").isValid());
    EXPECT_TRUE(QStringDecoder("GBK").isValid());
}

TEST(TextToBytes, EncodesAsGbk) {
    struct Case {
        QString text;
        QByteArray bytes;
    } cases[] = {
        {QString(), QByteArray()},
        {QStringLiteral("AT"), Bytes({0x41, 0x54})},
        {QStringLiteral("a 1\t"), Bytes({'a', ' ', '1', '\t'})},
        {QStringLiteral("串口数据"), Bytes({0xB4, 0xAE, 0xBF, 0xDA, 0xCA, 0xFD, 0xBE, 0xDD})},
        {QStringLiteral("A串B"), Bytes({'A', 0xB4, 0xAE, 'B'})},
        {QStringLiteral("€"), Bytes({0x80})},
        // Characters GBK lacks become one '?' each, also a lone surrogate
        // (which the encoder itself would drop without a trace).
        {QStringLiteral("A😀B"), QByteArray("A?B")},
        {QStringLiteral("x") + QChar(0xD800) + QStringLiteral("y"), QByteArray("x?y")},
        {QString(QChar(0xDC00)) + QStringLiteral("串"), Bytes({'?', 0xB4, 0xAE})},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TextToBytes(c.text).toHex(), c.bytes.toHex()) << c.text.toStdString();
}

TEST(HexPairs, ReadsPairsFromTheStart) {
    struct Case {
        QString text;
        QByteArray bytes;
    } cases[] = {
        {QStringLiteral("0aFF7e"), Bytes({0x0A, 0xFF, 0x7E})},
        {QStringLiteral("123"), Bytes({0x12})},
        {QStringLiteral("aBcD"), Bytes({0xAB, 0xCD})},
        {QStringLiteral("ABC"), Bytes({0xAB})},
        {QStringLiteral("9f"), Bytes({0x9F})},
        {QString(), QByteArray()},
        {QStringLiteral("7"), QByteArray()},
        // The unpaired last character is never looked at.
        {QStringLiteral("12x"), Bytes({0x12})},
        {QStringLiteral("12 "), Bytes({0x12})},
        // A last character of one GBK byte is unpaired too.
        {QStringLiteral("12€"), Bytes({0x12})},
        {QStringLiteral("12😀"), Bytes({0x12})},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HexPairsToBytes(c.text).toHex(), c.bytes.toHex()) << c.text.toStdString();
        int64_t sum = 0;
        for (char b : c.bytes)
            sum += static_cast<unsigned char>(b);
        EXPECT_EQ(HexPairSum(c.text), sum) << c.text.toStdString();
    }
}

TEST(HexPairs, NonDigitRaisesTheConversionErrorWithThatCharacter) {
    struct Case {
        QString text;
        QString bad;
    } cases[] = {
        {QStringLiteral("GG"), QStringLiteral("G")},
        {QStringLiteral("01 02"), QStringLiteral(" ")},
        {QStringLiteral("0G"), QStringLiteral("G")},
        // The high digit is converted before the low one.
        {QStringLiteral("xG"), QStringLiteral("x")},
        // Pairs in order: the first bad pair names the error.
        {QStringLiteral("00zzqq"), QStringLiteral("z")},
        {QStringLiteral("-1"), QStringLiteral("-")},
        {QStringLiteral("+1"), QStringLiteral("+")},
        {QStringLiteral("１２"), QStringLiteral("１")},
        {QStringLiteral("Hi"), QStringLiteral("H")},
        // A Chinese character is two bytes of the Send area, so it fails even
        // where a one-byte character would be the ignored last one.
        {QStringLiteral("12串"), QStringLiteral("串")},
        {QStringLiteral("1串"), QStringLiteral("串")},
        {QStringLiteral("串"), QStringLiteral("串")},
        // A control picture from a Receive area shown as text.
        {QStringLiteral("41") + QChar(0x240A) + QStringLiteral("0"), QString(QChar(0x240A))},
        // A character outside the BMP is named whole.
        {QStringLiteral("😀1"), QStringLiteral("😀")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ErrorOf([&] { HexPairsToBytes(c.text); }), NotInteger(c.bad))
            << c.text.toStdString();
        EXPECT_EQ(ErrorOf([&] { HexPairSum(c.text); }), NotInteger(c.bad)) << c.text.toStdString();
    }
}

TEST(HexPairs, RoundTripOfEveryByteValue) {
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));
    const QString text = BytesToHexPairs(all.constData(), all.size());
    EXPECT_EQ(text, QString::fromLatin1(all.toHex().toUpper()));
    EXPECT_EQ(HexPairsToBytes(text), all);
    EXPECT_EQ(HexPairsToBytes(text.toLower()), all);
}

TEST(BytesToHexPairs, UpperCasePairsWithoutSeparator) {
    struct Case {
        QByteArray bytes;
        QString text;
    } cases[] = {
        {Bytes({72, 105, 0, 255}), QStringLiteral("486900FF")},
        {Bytes({0, 10, 255}), QStringLiteral("000AFF")},
        {Bytes({0xAB}), QStringLiteral("AB")},
        {QByteArray(), QString()},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BytesToHexPairs(c.bytes.constData(), c.bytes.size()), c.text);

    const QByteArray block(2048, '\x5A');
    const QString text = BytesToHexPairs(block.constData(), block.size());
    EXPECT_EQ(text.size(), 4096);
    EXPECT_EQ(text, QString(QStringLiteral("5A")).repeated(2048));
}

TEST(BytesToDisplayText, ShowsTheBytesUpToTheFirstZero) {
    const QString bad(QChar(0xFFFD));
    struct Case {
        const char* what;
        QByteArray bytes;
        QString text;
    } cases[] = {
        {"ascii", Bytes({65}), QStringLiteral("A")},
        {"zero ends the text", Bytes({72, 105, 0, 255}), QStringLiteral("Hi")},
        {"zero in the middle", Bytes({49, 0, 50}), QStringLiteral("1")},
        {"zero first", Bytes({0, 49}), QString()},
        {"empty", QByteArray(), QString()},
        {"chinese", Bytes({0xB4, 0xAE, 0xBF, 0xDA, 0xCA, 0xFD, 0xBE, 0xDD}),
         QStringLiteral("串口数据")},
        {"controls as pictures", Bytes({'a', '\r', '\n', '\t', 0x01, 0x1B, 0x1F, 0x7F, 'b'}),
         QStringLiteral("a") + Chars({0x240D, 0x240A, 0x2409, 0x2401, 0x241B, 0x241F, 0x2421}) +
             QStringLiteral("b")},
        {"space stays a space", Bytes({' ', 'x', ' '}), QStringLiteral(" x ")},
        {"euro is one byte", Bytes({0x80, 'A'}), QStringLiteral("€A")},
        {"lone lead at the end", Bytes({'A', 0xB4}), QStringLiteral("A") + bad},
        {"lead before zero", Bytes({0xB4, 0, 0xAE}), bad},
        {"lead before a control", Bytes({0xB4, 0x0A, 'B'}), bad + QChar(0x240A) + u'B'},
        {"lead before DEL", Bytes({0xB4, 0x7F}), bad + QChar(0x2421)},
        {"lead before a non-trail ascii", Bytes({0xB4, '0'}), bad + u'0'},
        {"lead before 0xFF", Bytes({0xB4, 0xFF}), bad + bad},
        {"lone lead, then a pair", Bytes({0xB4, 0x20, 0xB4, 0xAE}), bad + QStringLiteral(" 串")},
        {"0xFF alone", Bytes({0xFF}), bad},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Display(c.bytes), c.text) << c.what;
}

TEST(BytesToDisplayText, EveryLoneHighByteIsVisible) {
    for (int b = 0x80; b <= 0xFF; ++b) {
        // Alone, and followed by bytes that can never be trail bytes.
        const QString expected = b == 0x80 ? QStringLiteral("€") : QString(QChar(0xFFFD));
        EXPECT_EQ(Display(Bytes({b})), expected) << b;
        EXPECT_EQ(Display(Bytes({b, ' '})), expected + u' ') << b;
        EXPECT_EQ(Display(Bytes({b, '\r'})), expected + QChar(0x240D)) << b;
    }
}

TEST(BytesToDisplayText, AgreesWithTheDecoderOnValidText) {
    // Every double-byte pair, one after another: each is one character.
    QByteArray pairs;
    for (int lead = 0x81; lead <= 0xFE; ++lead)
        for (int trail = 0x40; trail <= 0xFE; ++trail)
            if (trail != 0x7F) {
                pairs.append(static_cast<char>(lead));
                pairs.append(static_cast<char>(trail));
            }
    const QString shown = Display(pairs);
    EXPECT_EQ(shown.size(), pairs.size() / 2);
    EXPECT_EQ(shown, QStringDecoder("GBK").decode(pairs));
    EXPECT_EQ(TextToBytes(shown), pairs);

    // Random printable text mixing single bytes and pairs.
    std::mt19937 rng(7);
    for (int round = 0; round < 50; ++round) {
        QByteArray text;
        while (text.size() < 2048) {
            if (rng() % 2) {
                text.append(static_cast<char>(0x20 + rng() % 0x5F));
            } else {
                const int lead = 0x81 + rng() % 0x7E;
                int trail = 0x40 + rng() % 0xBF;
                if (trail == 0x7F)
                    trail = 0x80;
                text.append(static_cast<char>(lead));
                text.append(static_cast<char>(trail));
            }
        }
        ASSERT_EQ(Display(text), QStringDecoder("GBK").decode(text)) << round;
    }
}

TEST(BytesToDisplayText, ChineseRoundTrip) {
    const QString text = QStringLiteral("串口数据 COM1 波形显示");
    const QByteArray bytes = TextToBytes(text);
    EXPECT_EQ(Display(bytes), text);
}

TEST(AreaSum, SumsThePairs) {
    struct Case {
        QString text;
        int64_t sum;
        QString dec;
        QString hex;
    } cases[] = {
        {QStringLiteral("0102FF"), 258, QStringLiteral("258"), QStringLiteral("102")},
        {QStringLiteral("414243"), 198, QStringLiteral("198"), QStringLiteral("C6")},
        {QStringLiteral("ff"), 255, QStringLiteral("255"), QStringLiteral("FF")},
        {QStringLiteral("ABC"), 171, QStringLiteral("171"), QStringLiteral("AB")},
        {QStringLiteral("FFFF"), 510, QStringLiteral("510"), QStringLiteral("1FE")},
        {QString(), 0, QStringLiteral("0"), QStringLiteral("0")},
        {QStringLiteral("5"), 0, QStringLiteral("0"), QStringLiteral("0")},
        {QStringLiteral("0000"), 0, QStringLiteral("0"), QStringLiteral("0")},
        {QString(4096, u'F'), 2048 * 255, QStringLiteral("522240"), QStringLiteral("7F800")},
    };
    for (const Case& c : cases) {
        const int64_t sum = HexPairSum(c.text);
        EXPECT_EQ(sum, c.sum) << c.text.left(20).toStdString();
        EXPECT_EQ(SumDecimalText(sum), c.dec);
        EXPECT_EQ(SumHexText(sum), c.hex);
    }
}
