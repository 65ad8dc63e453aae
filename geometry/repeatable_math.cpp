// Repeatable sine and exponential; see repeatable_math.h.
//
// Both reduce the argument by a constant held in two parts (the high part short enough that k
// times it is exact), evaluate a Taylor polynomial of the small remainder by Horner's rule and
// put the pieces together. In double precision the polynomials' own error is far below float's
// last bit, so the one rounding to float at the end is where the result is decided.
#include "geometry/repeatable_math.h"

#include <cmath>
#include <limits>

namespace {

// pi / 2 and ln 2, each as a high part of 33 significant bits plus the rest.
constexpr double halfPiHigh = 1.57079632673412561417e+00;
constexpr double halfPiLow = 6.07710050650619224932e-11;
constexpr double inverseHalfPi = 6.36619772367581382433e-01;
constexpr double ln2High = 6.93147180369123816490e-01;
constexpr double ln2Low = 1.90821492927058770002e-10;
constexpr double inverseLn2 = 1.44269504088896338700e+00;

// Beyond these e^x is no longer a finite float, or rounds to zero.
constexpr float largestExpArgument = 89.0f;
constexpr float smallestExpArgument = -104.0f;

// sin r for |r| <= pi / 4, Taylor terms to r^17.
double sinOfReduced(double r)
{
    const double r2 = r * r;
    double p = 1.0 / 355687428096000.0;
    p = p * r2 - 1.0 / 1307674368000.0;
    p = p * r2 + 1.0 / 6227020800.0;
    p = p * r2 - 1.0 / 39916800.0;
    p = p * r2 + 1.0 / 362880.0;
    p = p * r2 - 1.0 / 5040.0;
    p = p * r2 + 1.0 / 120.0;
    p = p * r2 - 1.0 / 6.0;
    return r + r * r2 * p;
}

// cos r for |r| <= pi / 4, Taylor terms to r^18.
double cosOfReduced(double r)
{
    const double r2 = r * r;
    double p = -1.0 / 6402373705728000.0;
    p = p * r2 + 1.0 / 20922789888000.0;
    p = p * r2 - 1.0 / 87178291200.0;
    p = p * r2 + 1.0 / 479001600.0;
    p = p * r2 - 1.0 / 3628800.0;
    p = p * r2 + 1.0 / 40320.0;
    p = p * r2 - 1.0 / 720.0;
    p = p * r2 + 1.0 / 24.0;
    p = p * r2 - 1.0 / 2.0;
    return 1.0 + r2 * p;
}

// e^r for |r| <= ln 2 / 2, Taylor terms to r^13.
double expOfReduced(double r)
{
    constexpr double inverseFactorials[] = {1.0 / 6227020800.0, 1.0 / 479001600.0, 1.0 / 39916800.0,
                                            1.0 / 3628800.0,    1.0 / 362880.0,    1.0 / 40320.0,
                                            1.0 / 5040.0,       1.0 / 720.0,       1.0 / 120.0,
                                            1.0 / 24.0,         1.0 / 6.0,         1.0 / 2.0,
                                            1.0,                1.0};
    double p = 0.0;
    for (double coefficient : inverseFactorials)
        p = p * r + coefficient;
    return p;
}

} // namespace

float repeatableSin(float x)
{
    if (!std::isfinite(x))
        return std::numeric_limits<float>::quiet_NaN();
    const double k = std::nearbyint(double(x) * inverseHalfPi);
    const double r = (double(x) - k * halfPiHigh) - k * halfPiLow;
    switch (static_cast<long long>(k) & 3) {
    case 0: return float(sinOfReduced(r));
    case 1: return float(cosOfReduced(r));
    case 2: return float(-sinOfReduced(r));
    default: return float(-cosOfReduced(r));
    }
}

float repeatableExp(float x)
{
    if (std::isnan(x))
        return x;
    if (x > largestExpArgument)
        return std::numeric_limits<float>::infinity();
    if (x < smallestExpArgument)
        return 0.0f;
    const double k = std::nearbyint(double(x) * inverseLn2);
    const double r = (double(x) - k * ln2High) - k * ln2Low;
    // Scaling by a power of two is exact: the result is a normal double at every k used here.
    return float(std::ldexp(expOfReduced(r), int(k)));
}
