// The slowest inputs the power button can meet: n = 2147483647 with a factor
// that never settles (1.0000001: every one of the multiplications is needed)
// and one that reaches zero early (0.5: about 1075 steps). The plain loop is
// timed beside them to show what the early stops cost and save. The result
// formatting and operand reading are timed for scale.
#include "calculator/Arithmetic.h"
#include "calculator/Operand.h"
#include "calculator/ResultFormat.h"

#include <benchmark/benchmark.h>

#include <cstdint>

namespace {

constexpr int32_t kLargestExponent = 2147483647;

void BM_PowerNeverSettles(benchmark::State& state) {
    double x = 1.0000001;
    for (auto _ : state) {
        benchmark::DoNotOptimize(x);
        benchmark::DoNotOptimize(tarvessa::Power(x, kLargestExponent));
    }
}
BENCHMARK(BM_PowerNeverSettles)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_PowerReachesZero(benchmark::State& state) {
    double x = 0.5;
    for (auto _ : state) {
        benchmark::DoNotOptimize(x);
        benchmark::DoNotOptimize(tarvessa::Power(x, kLargestExponent));
    }
}
BENCHMARK(BM_PowerReachesZero)->Unit(benchmark::kMicrosecond);

// The bare chain of rounded multiplications, for comparison with the first.
void BM_PlainLoopNeverSettles(benchmark::State& state) {
    double x = 1.0000001;
    for (auto _ : state) {
        benchmark::DoNotOptimize(x);
        double r = 1.0;
        for (int32_t i = 0; i < kLargestExponent; ++i)
            r *= x;
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_PlainLoopNeverSettles)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_FormatResult(benchmark::State& state) {
    double v = 2.0 / 3.0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(v);
        benchmark::DoNotOptimize(tarvessa::FormatResult(v));
    }
}
BENCHMARK(BM_FormatResult);

void BM_OperandToDouble(benchmark::State& state) {
    const QString text = QStringLiteral("-12345.678901234567");
    for (auto _ : state)
        benchmark::DoNotOptimize(tarvessa::OperandToDouble(text));
}
BENCHMARK(BM_OperandToDouble);

} // namespace

BENCHMARK_MAIN();
