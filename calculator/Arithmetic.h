#pragma once

#include <cstdint>

namespace tarvessa {

// Raises EOverflow "Floating point overflow".
[[noreturn]] void RaiseFloatingPointOverflow();

// The four operations on finite operands, rounded to double. A result beyond
// the double range raises EOverflow; a result too small quietly becomes 0 or a
// denormal. Divide expects a non-zero divisor (the caller refuses zero first);
// a zero divisor raises EOverflow rather than giving an infinity or a NaN.
// Add is also the step of the running sum: `sum = Add(sum, v)` keeps the old
// sum when it raises.
double Add(double x, double y);
double Subtract(double x, double y);
double Multiply(double x, double y);
double Divide(double x, double y);

// x multiplied n times into 1.0, rounded to double after every multiplication,
// for a finite x. The result is exactly that of the n rounded multiplications;
// the loop ends early once the magnitude stops changing (0, 1, a fixed point of
// the rounding), as every later step can only flip the sign. An overflow at any
// step raises EOverflow. n <= 0 gives 1.
double Power(double x, int32_t n);

} // namespace tarvessa
