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
    double r = 1.0;
    for (int32_t done = 0; done < n; ++done) {
        const double next = r * x;
        if (std::isinf(next))
            RaiseFloatingPointOverflow();
        // Rounding is monotonic, so |r| moves one way only; once a step leaves
        // it unchanged every later step does too, and only the sign can still
        // change: once per remaining step when x is negative.
        if (std::fabs(next) == std::fabs(r)) {
            const int32_t remaining = n - done - 1;
            return std::signbit(x) && remaining % 2 != 0 ? -next : next;
        }
        r = next;
    }
    return r;
}

} // namespace tarvessa
