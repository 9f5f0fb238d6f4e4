// Costs per received block (2048 bytes, the reader's block size). A fast
// device fills about 2500 blocks a second, so a block has ~400 us in all.
#include "terminal/ByteText.h"
#include "terminal/WaveSampling.h"

#include <QStringDecoder>
#include <benchmark/benchmark.h>
#include <random>

using namespace tarvessa;

namespace {

constexpr int kBlock = 2048;

QByteArray RandomBlock() {
    // Non-zero bytes, so the text mode shows the whole block.
    std::mt19937 rng(1);
    QByteArray block(kBlock, '\0');
    for (char& c : block)
        c = static_cast<char>(1 + rng() % 255);
    return block;
}

QByteArray AsciiBlock() {
    const QByteArray line("T=23.5 H=41 P=1013 ok\r\n");
    QByteArray block;
    while (block.size() < kBlock)
        block.append(line);
    block.truncate(kBlock);
    return block;
}

QByteArray ChineseBlock() {
    const QByteArray line = TextToBytes(QStringLiteral("串口数据 温度=23.5 正常\r\n"));
    QByteArray block;
    while (block.size() < kBlock)
        block.append(line);
    block.truncate(kBlock);
    return block;
}

void BM_HexPairs(benchmark::State& state) {
    const QByteArray block = RandomBlock();
    for (auto _ : state)
        benchmark::DoNotOptimize(BytesToHexPairs(block.constData(), block.size()));
    state.SetBytesProcessed(state.iterations() * kBlock);
}
BENCHMARK(BM_HexPairs);

// The naive way, for scale: one arg() per byte.
void BM_HexPairsByArg(benchmark::State& state) {
    const QByteArray block = RandomBlock();
    for (auto _ : state) {
        QString text;
        for (char c : block)
            text += QStringLiteral("%1")
                        .arg(static_cast<unsigned char>(c), 2, 16, QChar(u'0'))
                        .toUpper();
        benchmark::DoNotOptimize(text);
    }
    state.SetBytesProcessed(state.iterations() * kBlock);
}
BENCHMARK(BM_HexPairsByArg);

void BM_DisplayText(benchmark::State& state, QByteArray (*make)()) {
    const QByteArray block = make();
    for (auto _ : state)
        benchmark::DoNotOptimize(BytesToDisplayText(block.constData(), block.size()));
    state.SetBytesProcessed(state.iterations() * kBlock);
}
BENCHMARK_CAPTURE(BM_DisplayText, random, RandomBlock);
BENCHMARK_CAPTURE(BM_DisplayText, ascii, AsciiBlock);
BENCHMARK_CAPTURE(BM_DisplayText, chinese, ChineseBlock);

// Qt's decoder alone on the same block, for scale (it shows control bytes raw
// and joins a lead byte with whatever follows, so it is no substitute).
void BM_DecoderOnly(benchmark::State& state, QByteArray (*make)()) {
    const QByteArray block = make();
    for (auto _ : state) {
        QStringDecoder decoder("GBK");
        benchmark::DoNotOptimize(decoder.decode(block));
    }
    state.SetBytesProcessed(state.iterations() * kBlock);
}
BENCHMARK_CAPTURE(BM_DecoderOnly, random, RandomBlock);
BENCHMARK_CAPTURE(BM_DecoderOnly, chinese, ChineseBlock);

void BM_Sampling(benchmark::State& state, int mode, int seriesCount) {
    const QByteArray block = RandomBlock();
    std::array<SeriesData, kSeriesCount> out; // kept between blocks, as the window does
    for (auto _ : state) {
        SampleBlock(WaveModeFromIndex(mode), block.constData(), block.size(), 1, seriesCount, out);
        benchmark::DoNotOptimize(out[0].values.constData());
    }
    state.SetBytesProcessed(state.iterations() * kBlock);
}
BENCHMARK_CAPTURE(BM_Sampling, mode0, 0, 1);
BENCHMARK_CAPTURE(BM_Sampling, mode2_S8, 2, 8);
BENCHMARK_CAPTURE(BM_Sampling, mode3, 3, 1);

void BM_HexPairSum(benchmark::State& state) {
    const QByteArray block = RandomBlock();
    const QString text = BytesToHexPairs(block.constData(), block.size());
    for (auto _ : state)
        benchmark::DoNotOptimize(HexPairSum(text));
}
BENCHMARK(BM_HexPairSum);

} // namespace

BENCHMARK_MAIN();
