// e raised to the power x, correctly rounded (to nearest, ties to even): the
// engine's own exponential, for programs that must reproduce the engine's
// values bit for bit (the sample generator's predictions). C++ only, in the
// engine's static library; the shared library's C API does not carry it.
#ifndef QUENBY_EXPONENTIAL_H
#define QUENBY_EXPONENTIAL_H

namespace quenby {

// Exp(NaN) is NaN, Exp(+inf) and results beyond the largest double are
// +inf, Exp(-inf) is +0, and tiny results round to subnormals or +0.
double Exp(double x);

}  // namespace quenby

#endif  // QUENBY_EXPONENTIAL_H
