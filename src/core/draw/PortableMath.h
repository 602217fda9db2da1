#pragma once
// Trigonometry computed the same to the last bit on every platform. The C libraries of Linux and
// Windows round sin, cos and atan2 differently, and one ulp can move an anti-aliased edge by a
// level: Explorer's picture must equal the thumbnailer's. Only +, -, *, / and IEEE-exact
// functions (floor, sqrt, fabs) are used, so the results depend on nothing but the input.
namespace pmath {

inline constexpr double kPi = 3.14159265358979323846;

double Sin(double radians);
double Cos(double radians);
// Both at once, for rotations.
void SinCos(double radians, double& sine, double& cosine);
double Atan2(double y, double x);

inline double Radians(double degrees) { return degrees * (kPi / 180.0); }

}  // namespace pmath
