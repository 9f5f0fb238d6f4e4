#pragma once

// The waveform's pure side: the eight modes of ComboBox6, the user range read
// from Edit1 and Edit2, the left axis each mode asks for, and the samples a
// block gives. The window applies the results to the chart.

#include <QString>
#include <QVector>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace tarvessa {

// The entries of ComboBox6, by their index.
enum class WaveMode {
    SingleAuto = 0,  // "单字节自动"
    SingleUser = 1,  // "单字节自选"
    Single255 = 2,   // "单字节0-255", dealt out over up to eight series
    DoubleAuto = 3,  // "双字节自动"
    DoubleUser = 4,  // "双字节自选"
    Double65535 = 5, // "双字节0-65535"
    Double3000 = 6,  // "双字节0-3000"
    NoWave = 7,      // "无波形显示"
};
constexpr int kWaveModeCount = 8;
constexpr int kSeriesCount = 8;

// The mode of a combo box index; none for -1 (no selection) or out of range.
std::optional<WaveMode> WaveModeFromIndex(int index);

enum class SampleKind { None, Byte, Pair };
enum class AxisKind {
    Untouched, // the chart keeps its axis
    Automatic, // bounds reset to lower..upper, then fitted to the points
    UserRange, // fixed from Edit1/Edit2
    Fixed,     // fixed lower..upper
};

struct ModeDescription {
    SampleKind sample;
    AxisKind axis;
    double lower; // reset bounds (Automatic) or fixed bounds (Fixed)
    double upper;
    int seriesFed; // 0, 1 (Series1) or 8 (all, dealt out)
};

ModeDescription DescribeMode(WaveMode mode);

// The three bounds taken from Edit1 and Edit2 for every block.
struct UserRange {
    int32_t first = 0;
    int32_t second8 = 255;
    int32_t second16 = 65535;
    bool operator==(const UserRange&) const = default;
};

// A field is usable when it holds digits only (leading zeros allowed) and its
// value fits 32 bits. Edit1 unusable: the defaults, Edit2 is not read. Edit2
// unusable: the defaults too (Edit1's value dropped). Otherwise first is
// Edit1's value and both seconds Edit2's.
UserRange ReadUserRange(const QString& edit1, const QString& edit2);

struct AxisBounds {
    bool automatic; // fit to the points after setting lower..upper
    double lower;
    double upper;
    bool operator==(const AxisBounds&) const = default;
};

// The left axis a block in this mode asks for; none for mode 7 and no
// selection, which leave the axis alone. A user range gives its smaller bound
// as the lower one, whatever the order of the fields.
std::optional<AxisBounds> AxisForMode(std::optional<WaveMode> mode, const UserRange& range);

// Points of one series: X from 0, one per sample.
struct SeriesData {
    QVector<double> keys;
    QVector<double> values;
};

// One point per byte. The vectors are resized and filled in place, so a caller
// that keeps them between blocks allocates nothing after the first block.
void SingleByteSamples(const char* data, size_t n, SeriesData& out);

// Big-endian byte pairs: max(1, n / 2) samples, 256 * high + low. An odd last
// byte of a longer block is dropped; a single byte reads as the high byte of a
// pair whose low byte is 0 (so does a missing byte of an empty block).
void PairSamples(const char* data, size_t n, SeriesData& out);

// Mode 2's dealing: in each pass Series1 takes the next groupLength bytes,
// then Series2, ... up to Series<seriesCount>, until the bytes run out. All
// eight series are refilled; those beyond seriesCount end up empty. Both
// counts are taken as 1 to 8.
void DealSamples(const char* data, size_t n, int groupLength, int seriesCount,
                 std::array<SeriesData, kSeriesCount>& out);

// The samples of a block in a mode, into out; returns how many series, from
// Series1 on, the mode feeds (0 for mode 7 and no selection: out untouched).
int SampleBlock(std::optional<WaveMode> mode, const char* data, size_t n, int groupLength,
                int seriesCount, std::array<SeriesData, kSeriesCount>& out);

// The number of a cycle caption "N1".."N8" or "S1".."S8": the character after
// the letter; 1 for a caption that holds no number from 1 to 8.
int CaptionNumber(const QString& caption);

// The next caption of the cycle: "N1" -> "N2", ..., "N8" -> "N1".
QString NextCycleCaption(const QString& caption);

} // namespace tarvessa
