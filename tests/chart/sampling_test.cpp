#include "terminal/WaveSampling.h"

#include <gtest/gtest.h>
#include <numeric>
#include <vector>

using namespace tarvessa;

namespace {

using Values = std::vector<double>;

std::optional<WaveMode> Mode(int index) {
    return WaveModeFromIndex(index);
}

QByteArray Bytes(std::initializer_list<int> values) {
    QByteArray bytes;
    for (int v : values)
        bytes.append(static_cast<char>(v));
    return bytes;
}

Values ValuesOf(const SeriesData& s) {
    return Values(s.values.begin(), s.values.end());
}

// X runs 0, 1, 2, ... in every series.
bool KeysCount(const SeriesData& s) {
    if (s.keys.size() != s.values.size())
        return false;
    for (qsizetype i = 0; i < s.keys.size(); ++i)
        if (s.keys[i] != static_cast<double>(i))
            return false;
    return true;
}

} // namespace

TEST(WaveMode, FromComboIndex) {
    EXPECT_FALSE(WaveModeFromIndex(-1));
    EXPECT_FALSE(WaveModeFromIndex(8));
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(static_cast<int>(*WaveModeFromIndex(i)), i);
}

TEST(UserRange, ReadFromTheTwoFields) {
    struct Case {
        const char* edit1;
        const char* edit2;
        UserRange range;
    } cases[] = {
        {"300", "100", {300, 100, 100}},
        {"0", "70000", {0, 70000, 70000}},
        {"007", "08", {7, 8, 8}}, // leading zeros are fine
        {"2147483647", "0", {2147483647, 0, 0}},
        // Either field unusable: the whole default range.
        {"12a", "100", {}},
        {"", "100", {}},
        {"5", "", {}},
        {"5", "x", {}},
        {"-5", "10", {}},
        {" 5", "10", {}},
        {"5", "1 0", {}},
        {"+5", "10", {}},
        // Digits beyond 32 bits are unusable like any other text, never an error.
        {"99999999999", "10", {}},
        {"10", "99999999999", {}},
        {"2147483648", "1", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReadUserRange(QString::fromUtf8(c.edit1), QString::fromUtf8(c.edit2)), c.range)
            << c.edit1 << " / " << c.edit2;
}

TEST(AxisForMode, BoundsPerMode) {
    struct Case {
        int mode;
        const char* edit1;
        const char* edit2;
        std::optional<AxisBounds> axis;
    } cases[] = {
        {0, "300", "100", AxisBounds{true, 0, 255}},
        {3, "300", "100", AxisBounds{true, 0, 65535}},
        {1, "300", "100", AxisBounds{false, 100, 300}},
        {1, "100", "300", AxisBounds{false, 100, 300}},
        {1, "12a", "100", AxisBounds{false, 0, 255}},
        {1, "1000", "", AxisBounds{false, 0, 255}},
        {4, "5", "", AxisBounds{false, 0, 65535}},
        {4, "5", "5", AxisBounds{false, 5, 5}},
        {4, "70000", "0100", AxisBounds{false, 100, 70000}},
        {1, "99999999999", "10", AxisBounds{false, 0, 255}},
        {4, "99999999999", "10", AxisBounds{false, 0, 65535}},
        {1, "2147483647", "0", AxisBounds{false, 0, 2147483647}},
        // The fixed modes ignore the fields.
        {2, "300", "100", AxisBounds{false, 0, 255}},
        {5, "300", "100", AxisBounds{false, 0, 65535}},
        {6, "300", "100", AxisBounds{false, 0, 3000}},
        // Mode 7 and no selection leave the axis alone.
        {7, "300", "100", std::nullopt},
        {-1, "300", "100", std::nullopt},
    };
    for (const Case& c : cases) {
        const UserRange range =
            ReadUserRange(QString::fromUtf8(c.edit1), QString::fromUtf8(c.edit2));
        EXPECT_EQ(AxisForMode(Mode(c.mode), range), c.axis)
            << "mode " << c.mode << " " << c.edit1 << " / " << c.edit2;
    }
}

TEST(SampleBlock, SeriesPerMode) {
    struct Case {
        const char* what;
        int mode;
        int n;
        int s;
        QByteArray block;
        int fed;
        std::vector<Values> series; // Series1 on; the rest expected empty
    } cases[] = {
        {"mode 0", 0, 1, 1, Bytes({10, 20, 30}), 1, {{10, 20, 30}}},
        {"mode 1", 1, 1, 1, Bytes({0, 255}), 1, {{0, 255}}},
        {"mode 3 pairs", 3, 1, 1, Bytes({1, 2, 3, 4}), 1, {{258, 772}}},
        {"mode 3 one byte", 3, 1, 1, Bytes({5}), 1, {{1280}}},
        {"mode 3 odd", 3, 1, 1, Bytes({1, 2, 3}), 1, {{258}}},
        {"mode 5 top", 5, 1, 1, Bytes({255, 255, 0, 1}), 1, {{65535, 1}}},
        {"mode 6", 6, 1, 1, Bytes({0x0B, 0xB8}), 1, {{3000}}},
        {"mode 2 N1 S3", 2, 1, 3, Bytes({1, 2, 3, 4, 5}), 8, {{1, 4}, {2, 5}, {3}}},
        {"mode 2 N2 S2", 2, 2, 2, Bytes({1, 2, 3, 4, 5}), 8, {{1, 2, 5}, {3, 4}}},
        {"mode 2 N1 S1", 2, 1, 1, Bytes({7, 8}), 8, {{7, 8}}},
        {"mode 2 N3 S2",
         2,
         3,
         2,
         Bytes({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}),
         8,
         {{1, 2, 3, 7, 8, 9}, {4, 5, 6, 10}}},
        {"mode 2 short block", 2, 4, 8, Bytes({1, 2, 3, 4, 5}), 8, {{1, 2, 3, 4}, {5}}},
    };
    for (const Case& c : cases) {
        std::array<SeriesData, kSeriesCount> out;
        const int fed =
            SampleBlock(Mode(c.mode), c.block.constData(), c.block.size(), c.n, c.s, out);
        EXPECT_EQ(fed, c.fed) << c.what;
        for (int i = 0; i < kSeriesCount; ++i) {
            const Values expected = i < static_cast<int>(c.series.size()) ? c.series[i] : Values{};
            EXPECT_EQ(ValuesOf(out[i]), expected) << c.what << " Series" << i + 1;
            EXPECT_TRUE(KeysCount(out[i])) << c.what << " Series" << i + 1;
        }
    }
}

TEST(SampleBlock, FullBlocks) {
    QByteArray block(2048, '\0');
    for (int i = 0; i < block.size(); ++i)
        block[i] = static_cast<char>(i);
    std::array<SeriesData, kSeriesCount> out;

    EXPECT_EQ(SampleBlock(Mode(0), block.constData(), block.size(), 1, 1, out), 1);
    EXPECT_EQ(out[0].values.size(), 2048);
    EXPECT_EQ(SampleBlock(Mode(4), block.constData(), block.size(), 1, 1, out), 1);
    EXPECT_EQ(out[0].values.size(), 1024);
    EXPECT_EQ(out[0].values.back(), 256.0 * 0xFE + 0xFF);

    // N8 S8: 32 passes of 64 bytes, 256 bytes per series, in block order.
    EXPECT_EQ(SampleBlock(Mode(2), block.constData(), block.size(), 8, 8, out), 8);
    for (int s = 0; s < kSeriesCount; ++s) {
        ASSERT_EQ(out[s].values.size(), 256);
        EXPECT_EQ(out[s].values[0], s * 8);
        EXPECT_EQ(out[s].values[8], (64 + s * 8) % 256);
        EXPECT_TRUE(KeysCount(out[s]));
    }
}

TEST(SampleBlock, ReusedSeriesKeepNothingOfTheLastBlock) {
    // The window keeps one set of vectors for every block.
    std::array<SeriesData, kSeriesCount> out;
    const QByteArray big(2048, '\x11');
    SampleBlock(Mode(2), big.constData(), big.size(), 1, 8, out);
    const double* before = out[0].values.constData();

    const QByteArray small = Bytes({1, 2, 3, 4, 5});
    SampleBlock(Mode(2), small.constData(), small.size(), 1, 3, out);
    EXPECT_EQ(ValuesOf(out[0]), (Values{1, 4}));
    EXPECT_EQ(ValuesOf(out[2]), (Values{3}));
    for (int s = 3; s < kSeriesCount; ++s)
        EXPECT_TRUE(out[s].values.isEmpty()) << "Series" << s + 1;
    EXPECT_EQ(out[0].values.constData(), before) << "refilled in place";

    // A single-series mode touches Series1 only: the others keep their points.
    SampleBlock(Mode(3), small.constData(), small.size(), 1, 3, out);
    EXPECT_EQ(ValuesOf(out[0]), (Values{258, 772}));
    EXPECT_EQ(ValuesOf(out[1]), (Values{2, 5}));

    // Mode 7 and no selection touch nothing.
    EXPECT_EQ(SampleBlock(Mode(7), big.constData(), big.size(), 1, 3, out), 0);
    EXPECT_EQ(SampleBlock(std::nullopt, big.constData(), big.size(), 1, 3, out), 0);
    EXPECT_EQ(ValuesOf(out[0]), (Values{258, 772}));
}

TEST(CycleCaption, EightClicksComeBack) {
    for (const char* start : {"N1", "S1", "N5"}) {
        QString caption = QString::fromLatin1(start);
        std::vector<int> seen;
        for (int click = 0; click < 8; ++click) {
            caption = NextCycleCaption(caption);
            seen.push_back(CaptionNumber(caption));
        }
        EXPECT_EQ(caption, QString::fromLatin1(start));
        std::vector<int> sorted = seen;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(sorted, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8})) << start;
    }
    EXPECT_EQ(NextCycleCaption(QStringLiteral("N8")), QStringLiteral("N1"));
    EXPECT_EQ(NextCycleCaption(QStringLiteral("S3")), QStringLiteral("S4"));
    EXPECT_EQ(CaptionNumber(QStringLiteral("S8")), 8);
}
