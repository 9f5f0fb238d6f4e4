#include "terminal/WaveSampling.h"

#include "common/Convert.h"

#include <algorithm>

namespace tarvessa {

namespace {

// Edit1/Edit2 text to a bound. A digits-only value beyond 32 bits is as
// unusable as any other text, rather than an error for every block.
bool ReadBound(const QString& text, int32_t& value) {
    return IsDigitsOnly(text) && TryStrToInt(text, value);
}

void Resize(SeriesData& series, qsizetype size) {
    series.keys.resize(size);
    series.values.resize(size);
}

} // namespace

std::optional<WaveMode> WaveModeFromIndex(int index) {
    if (index < 0 || index >= kWaveModeCount)
        return std::nullopt;
    return static_cast<WaveMode>(index);
}

ModeDescription DescribeMode(WaveMode mode) {
    switch (mode) {
    case WaveMode::SingleAuto:
        return {SampleKind::Byte, AxisKind::Automatic, 0, 255, 1};
    case WaveMode::SingleUser:
        return {SampleKind::Byte, AxisKind::UserRange, 0, 255, 1};
    case WaveMode::Single255:
        return {SampleKind::Byte, AxisKind::Fixed, 0, 255, kSeriesCount};
    case WaveMode::DoubleAuto:
        return {SampleKind::Pair, AxisKind::Automatic, 0, 65535, 1};
    case WaveMode::DoubleUser:
        return {SampleKind::Pair, AxisKind::UserRange, 0, 65535, 1};
    case WaveMode::Double65535:
        return {SampleKind::Pair, AxisKind::Fixed, 0, 65535, 1};
    case WaveMode::Double3000:
        return {SampleKind::Pair, AxisKind::Fixed, 0, 3000, 1};
    case WaveMode::NoWave:
        break;
    }
    return {SampleKind::None, AxisKind::Untouched, 0, 0, 0};
}

UserRange ReadUserRange(const QString& edit1, const QString& edit2) {
    UserRange range;
    int32_t first = 0;
    int32_t second = 0;
    if (!ReadBound(edit1, first) || !ReadBound(edit2, second))
        return range;
    range.first = first;
    range.second8 = second;
    range.second16 = second;
    return range;
}

std::optional<AxisBounds> AxisForMode(std::optional<WaveMode> mode, const UserRange& range) {
    if (!mode)
        return std::nullopt;
    const ModeDescription d = DescribeMode(*mode);
    switch (d.axis) {
    case AxisKind::Untouched:
        return std::nullopt;
    case AxisKind::Automatic:
        return AxisBounds{true, d.lower, d.upper};
    case AxisKind::Fixed:
        return AxisBounds{false, d.lower, d.upper};
    case AxisKind::UserRange: {
        const double second = d.sample == SampleKind::Pair ? range.second16 : range.second8;
        const double first = range.first;
        return AxisBounds{false, std::min(first, second), std::max(first, second)};
    }
    }
    return std::nullopt;
}

void SingleByteSamples(const char* data, size_t n, SeriesData& out) {
    Resize(out, static_cast<qsizetype>(n));
    double* keys = out.keys.data();
    double* values = out.values.data();
    const auto* bytes = reinterpret_cast<const unsigned char*>(data);
    for (size_t i = 0; i < n; ++i) {
        keys[i] = static_cast<double>(i);
        values[i] = bytes[i];
    }
}

void PairSamples(const char* data, size_t n, SeriesData& out) {
    const size_t count = std::max<size_t>(1, n / 2);
    Resize(out, static_cast<qsizetype>(count));
    double* keys = out.keys.data();
    double* values = out.values.data();
    const auto* bytes = reinterpret_cast<const unsigned char*>(data);
    if (n < 2) {
        // The byte after a short block reads 0.
        keys[0] = 0;
        values[0] = n == 1 ? 256.0 * bytes[0] : 0.0;
        return;
    }
    for (size_t k = 0; k < count; ++k) {
        keys[k] = static_cast<double>(k);
        values[k] = 256.0 * bytes[2 * k] + bytes[2 * k + 1];
    }
}

void DealSamples(const char* data, size_t n, int groupLength, int seriesCount,
                 std::array<SeriesData, kSeriesCount>& out) {
    const size_t group = static_cast<size_t>(std::clamp(groupLength, 1, 8));
    const size_t series = static_cast<size_t>(std::clamp(seriesCount, 1, kSeriesCount));

    // Each series' share, worked out up front so every vector is sized once.
    const size_t pass = group * series;
    const size_t fullPasses = n / pass;
    const size_t rest = n % pass;
    for (size_t s = 0; s < kSeriesCount; ++s) {
        size_t count = 0;
        if (s < series)
            count = fullPasses * group + std::min(group, rest > s * group ? rest - s * group : 0);
        Resize(out[s], static_cast<qsizetype>(count));
    }

    const auto* bytes = reinterpret_cast<const unsigned char*>(data);
    std::array<size_t, kSeriesCount> filled{};
    size_t i = 0;
    while (i < n) {
        for (size_t s = 0; s < series && i < n; ++s) {
            double* keys = out[s].keys.data();
            double* values = out[s].values.data();
            size_t& at = filled[s];
            for (size_t g = 0; g < group && i < n; ++g, ++i, ++at) {
                keys[at] = static_cast<double>(at);
                values[at] = bytes[i];
            }
        }
    }
}

int SampleBlock(std::optional<WaveMode> mode, const char* data, size_t n, int groupLength,
                int seriesCount, std::array<SeriesData, kSeriesCount>& out) {
    if (!mode)
        return 0;
    const ModeDescription d = DescribeMode(*mode);
    if (d.seriesFed == kSeriesCount) {
        DealSamples(data, n, groupLength, seriesCount, out);
        return kSeriesCount;
    }
    switch (d.sample) {
    case SampleKind::Byte:
        SingleByteSamples(data, n, out[0]);
        return 1;
    case SampleKind::Pair:
        PairSamples(data, n, out[0]);
        return 1;
    case SampleKind::None:
        break;
    }
    return 0;
}

int CaptionNumber(const QString& caption) {
    if (caption.size() < 2)
        return 1;
    const char16_t c = caption[1].unicode();
    return c >= u'1' && c <= u'8' ? c - u'0' : 1;
}

QString NextCycleCaption(const QString& caption) {
    const QChar letter = caption.isEmpty() ? QChar(u'N') : caption[0];
    return QString(letter) + QString::number(CaptionNumber(caption) % 8 + 1);
}

} // namespace tarvessa
