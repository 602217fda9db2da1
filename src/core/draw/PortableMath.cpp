#include "PortableMath.h"

#include <cmath>

namespace pmath {
namespace {

// pi / 2 in three parts (Cody and Waite): k * kHalfPiHi is exact for the k a drawing meets.
constexpr double kHalfPiHi = 1.57079632673412561417e+00;
constexpr double kHalfPiMid = 6.07710050650619224932e-11;
constexpr double kHalfPiLo = 2.02226624879595063154e-21;
// Beyond this, angles carry no useful digits; they still give a deterministic value.
constexpr double kLargestAngle = 1e15;

// Taylor series on [-pi/4, pi/4]: the first term left out is below 1e-16 there.
double SinPoly(double x) {
    const double x2 = x * x;
    double sum = 1.0 / 6227020800.0;  // 1/13!
    sum = sum * x2 - 1.0 / 39916800.0;
    sum = sum * x2 + 1.0 / 362880.0;
    sum = sum * x2 - 1.0 / 5040.0;
    sum = sum * x2 + 1.0 / 120.0;
    sum = sum * x2 - 1.0 / 6.0;
    return x + x * x2 * sum;
}

double CosPoly(double x) {
    const double x2 = x * x;
    double sum = -1.0 / 87178291200.0;  // -1/14!
    sum = sum * x2 + 1.0 / 479001600.0;
    sum = sum * x2 - 1.0 / 3628800.0;
    sum = sum * x2 + 1.0 / 40320.0;
    sum = sum * x2 - 1.0 / 720.0;
    sum = sum * x2 + 1.0 / 24.0;
    sum = sum * x2 - 0.5;
    return 1.0 + x2 * sum;
}

// atan on [-0.27, 0.27]: odd Taylor terms up to x^23.
double AtanPoly(double x) {
    const double x2 = x * x;
    double sum = 0.0;
    for (int n = 23; n >= 3; n -= 2) sum = sum * x2 + ((n / 2) % 2 ? -1.0 : 1.0) / n;
    return x + x * x2 * sum;
}

}  // namespace

void SinCos(double radians, double& sine, double& cosine) {
    if (!std::isfinite(radians)) {
        sine = 0.0;
        cosine = 1.0;
        return;
    }
    double x = std::fmod(radians, 2.0 * kPi);  // fmod is exact
    if (std::fabs(radians) > kLargestAngle) x = 0.0;
    const double k = std::floor(x / (kPi / 2) + 0.5);
    const double r = ((x - k * kHalfPiHi) - k * kHalfPiMid) - k * kHalfPiLo;
    const double s = SinPoly(r), c = CosPoly(r);
    switch (static_cast<int>(k) & 3) {
        case 0:
            sine = s, cosine = c;
            break;
        case 1:
            sine = c, cosine = -s;
            break;
        case 2:
            sine = -s, cosine = -c;
            break;
        default:
            sine = -c, cosine = s;
            break;
    }
}

double Sin(double radians) {
    double s, c;
    SinCos(radians, s, c);
    return s;
}

double Cos(double radians) {
    double s, c;
    SinCos(radians, s, c);
    return c;
}

double Atan2(double y, double x) {
    if (std::isnan(x) || std::isnan(y)) return 0.0;
    const double ay = std::fabs(y), ax = std::fabs(x);
    if (ay == 0.0 && ax == 0.0) return std::signbit(x) ? (std::signbit(y) ? -kPi : kPi) : 0.0 * y;
    // atan of t = min/max in [0, 1], then by the octant.
    const bool steep = ay > ax;
    const double t = steep ? ax / ay : ay / ax;
    constexpr double kTanPi12 = 0.26794919243112270;  // tan(pi / 12)
    constexpr double kSqrt3 = 1.73205080756887729;
    double a;
    if (t > kTanPi12)
        a = kPi / 6 + AtanPoly((t * kSqrt3 - 1.0) / (kSqrt3 + t));
    else
        a = AtanPoly(t);
    if (steep) a = kPi / 2 - a;
    if (x < 0) a = kPi - a;
    return std::signbit(y) ? -a : a;
}

}  // namespace pmath
