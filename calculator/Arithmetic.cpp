#include "calculator/Arithmetic.h"

#include "common/Exception.h"

#include <QString>
#include <cmath>

namespace tarvessa {

namespace {

double Checked(double result) {
    if (!std::isfinite(result))
        RaiseFloatingPointOverflow();
    return result;
}

} // namespace

void RaiseFloatingPointOverflow() {
    throw EOverflow(QStringLiteral("Floating point overflow"));
}

double Add(double x, double y) {
    return Checked(x + y);
}
double Subtract(double x, double y) {
    return Checked(x - y);
}
double Multiply(double x, double y) {
    return Checked(x * y);
}

double Divide(double x, double y) {
    if (y == 0.0)
        RaiseFloatingPointOverflow();
    return Checked(x / y);
}

double Power(double x, int32_t n) {
    if (std::isnan(x))
        return x;
    // Rounding is monotonic, so |r| moves one way only; once a step leaves it
    // unchanged every later step does too, and only the sign can still change:
    // once per remaining step when x is negative. For the same reason an
    // unchanged |r| across a block of steps means it was already settled, and
    // an infinity stays infinite, so the checks need only run once per block.
    const auto settled = [x](double r, int32_t remaining) {
        return std::signbit(x) && remaining % 2 != 0 ? -r : r;
    };
    constexpr int32_t kBlock = 8;
    double r = 1.0;
    int32_t done = 0;
    while (n - done >= kBlock) {
        const double start = r;
        for (int32_t k = 0; k < kBlock; ++k)
            r *= x;
        done += kBlock;
        if (std::isinf(r))
            RaiseFloatingPointOverflow();
        if (std::fabs(r) == std::fabs(start))
            return settled(r, n - done);
    }
    for (; done < n; ++done) {
        const double next = r * x;
        if (std::isinf(next))
            RaiseFloatingPointOverflow();
        if (std::fabs(next) == std::fabs(r))
            return settled(next, n - done - 1);
        r = next;
    }
    return r;
}

} // namespace tarvessa
