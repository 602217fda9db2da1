#include "DxfSpline.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "draw/PortableMath.h"

using namespace dxfvec;

namespace {

// Degrees past this are no drawing's; de Boor's work grows with the square of the degree.
constexpr int kMostDegree = 15;
// Evaluation steps (each one degree^2 multiply-adds) one spline may take.
constexpr double kMostWork = double{1 << 24};
constexpr int kMostPerSpan = 64;

struct Homogeneous {
    double x = 0, y = 0, z = 0, w = 1;
};

bool Valid(const std::vector<double>& knots, std::size_t points, int degree) {
    if (degree < 1 || degree > kMostDegree || points <= static_cast<std::size_t>(degree)) {
        return false;
    }
    if (knots.size() != points + degree + 1) return false;
    for (std::size_t i = 1; i < knots.size(); ++i) {
        if (!(knots[i] >= knots[i - 1])) return false;
    }
    return std::isfinite(knots.back() - knots.front()) && knots[degree] < knots[points];
}

// A curve of `degree` over `control` and `weights` (one each) and its knots.
class Nurbs {
  public:
    Nurbs(int degree, std::span<const DxfPoint> control, std::span<const double> weights,
          std::span<const double> knots)
        : p_(degree), control_(control), weights_(weights), knots_(knots) {}

    // The point at `u` in the non-empty span [knots[k], knots[k + 1]).
    DxfPoint At(std::size_t k, double u) const {
        std::array<Homogeneous, kMostDegree + 1> d;
        for (int j = 0; j <= p_; ++j) {
            const DxfPoint& c = control_[k - p_ + j];
            const double w = weights_[k - p_ + j];
            d[j] = {c.x * w, c.y * w, c.z * w, w};
        }
        for (int r = 1; r <= p_; ++r) {
            for (int j = p_; j >= r; --j) {
                const double lo = knots_[k - p_ + j], hi = knots_[k + 1 + j - r];
                const double a = (u - lo) / (hi - lo), b = 1 - a;
                d[j] = {b * d[j - 1].x + a * d[j].x, b * d[j - 1].y + a * d[j].y,
                        b * d[j - 1].z + a * d[j].z, b * d[j - 1].w + a * d[j].w};
            }
        }
        const Homogeneous& h = d[p_];
        return {h.x / h.w, h.y / h.w, h.z / h.w};
    }

    // Chords for span k: the control points' bend bounds a polynomial piece's distance from its
    // chords (degree * (degree - 1) / 8 * bend / m^2); weights that differ stretch it.
    int SpanSegments(std::size_t k, double tolerance) const {
        if (p_ == 1) return 1;
        double bend = 0, wmin = weights_[k - p_], wmax = wmin;
        for (std::size_t i = k - p_ + 1; i <= k; ++i) {
            wmin = std::min(wmin, weights_[i]), wmax = std::max(wmax, weights_[i]);
            if (i == k) break;
            const DxfPoint d = control_[i - 1] - control_[i] * 2 + control_[i + 1];
            bend = std::max(bend, std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z));
        }
        if (bend == 0) return 1;
        bend *= wmax / wmin;
        double m = std::ceil(std::sqrt(p_ * (p_ - 1) * bend / (8 * tolerance)));
        if (!(m <= kMostPerSpan)) m = kMostPerSpan;
        return std::max(1, static_cast<int>(m));
    }

  private:
    int p_;
    std::span<const DxfPoint> control_;
    std::span<const double> weights_;
    std::span<const double> knots_;
};

double Norm(const DxfPoint& a) { return std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z); }

// A curve through fit points: cubic pieces whose tangents at each point weigh the chords on
// either side by the other's length (Bessel's tangents; at open ends, the parabola's through the
// last three points; the written end tangents where given).
void ThroughFitPoints(const DxfSpline& spline, DxfChords& chords, std::vector<DxfPoint>& out) {
    std::vector<DxfPoint> p;
    for (const DxfPoint& f : spline.fit) {
        if (p.empty() || Norm(f - p.back()) > 0) p.push_back(f);
    }
    const bool closed = spline.closed && p.size() > 2 && Norm(p.back() - p.front()) > 0;
    if (closed) p.push_back(p.front());
    const std::size_t n = p.size();
    if (n < 3) {
        out.insert(out.end(), p.begin(), p.end());
        return;
    }
    std::vector<double> chord(n - 1);
    std::vector<DxfPoint> slope(n - 1), tangent(n);
    for (std::size_t i = 0; i + 1 < n; ++i) {
        chord[i] = Norm(p[i + 1] - p[i]);
        slope[i] = (p[i + 1] - p[i]) * (1 / chord[i]);
    }
    const auto bessel = [&](std::size_t before, std::size_t after) {
        const double a = chord[before], b = chord[after];
        return (slope[before] * b + slope[after] * a) * (1 / (a + b));
    };
    for (std::size_t i = 1; i + 1 < n; ++i) tangent[i] = bessel(i - 1, i);
    if (closed) {
        tangent[0] = tangent[n - 1] = bessel(n - 2, 0);
    } else {
        tangent[0] = slope[0] * 2 - tangent[1];
        tangent[n - 1] = slope[n - 2] * 2 - tangent[n - 2];
        const double start = Norm(spline.startTangent), end = Norm(spline.endTangent);
        if (start > 0 && std::isfinite(start)) tangent[0] = spline.startTangent * (1 / start);
        if (end > 0 && std::isfinite(end)) tangent[n - 1] = spline.endTangent * (1 / end);
    }
    out.push_back(p[0]);
    for (std::size_t i = 0; i + 1 < n; ++i) {
        const DxfPoint m0 = tangent[i] * chord[i], m1 = tangent[i + 1] * chord[i];
        // As many chords as an arc of the same turn and chord would take.
        const DxfPoint &a = tangent[i], &b = tangent[i + 1];
        const DxfPoint cross{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
        const double turn = std::fabs(pmath::Atan2(Norm(cross), a.x * b.x + a.y * b.y + a.z * b.z));
        const int m = turn > 0 ? chords.Segments(chord[i] / turn, turn) : 1;
        for (int j = 1; j < m; ++j) {
            const double u = static_cast<double>(j) / m, u2 = u * u, u3 = u2 * u;
            out.push_back(p[i] * (2 * u3 - 3 * u2 + 1) + m0 * (u3 - 2 * u2 + u) +
                          p[i + 1] * (3 * u2 - 2 * u3) + m1 * (u3 - u2));
        }
        out.push_back(p[i + 1]);
    }
}

}  // namespace

std::optional<DxfSpline> DecodeSpline(const DxfEntity& entity) {
    if (entity.type != "SPLINE" && entity.type != "HELIX") return std::nullopt;
    DxfSpline spline;
    for (const DxfPair& p : OwnPairs(entity)) {
        if (p.code == 100) break;  // a HELIX's own data, whose codes are the spline's again
        if (p.code == 70) spline.closed = (p.integer & 1) != 0;
        if (p.code == 71) spline.degree = static_cast<int>(p.integer);
        if (p.code == 40) spline.knots.push_back(p.real);
        if (p.code == 41) spline.weights.push_back(p.real);
        if (p.code == 10) spline.control.push_back({p.real});
        if (p.code == 11) spline.fit.push_back({p.real});
        if (p.code == 20 && !spline.control.empty()) spline.control.back().y = p.real;
        if (p.code == 30 && !spline.control.empty()) spline.control.back().z = p.real;
        if (p.code == 21 && !spline.fit.empty()) spline.fit.back().y = p.real;
        if (p.code == 12 || p.code == 22 || p.code == 32) {
            (p.code == 12   ? spline.startTangent.x
             : p.code == 22 ? spline.startTangent.y
                            : spline.startTangent.z) = p.real;
        }
        if (p.code == 13 || p.code == 23 || p.code == 33) {
            (p.code == 13   ? spline.endTangent.x
             : p.code == 23 ? spline.endTangent.y
                            : spline.endTangent.z) = p.real;
        }
        if (p.code == 31 && !spline.fit.empty()) spline.fit.back().z = p.real;
    }
    return spline;
}

void SplinePoints(const DxfSpline& spline, DxfChords& chords, std::vector<DxfPoint>& out) {
    if (spline.control.empty()) return ThroughFitPoints(spline, chords, out);
    std::vector<DxfPoint> control = spline.control;
    std::vector<double> knots = spline.knots;
    std::vector<double> weights = spline.weights;
    if (weights.size() != control.size()) weights.assign(control.size(), 1.0);
    const int p = spline.degree;
    // A closed periodic curve may store n + 1 knots for n points: the first p points wrap
    // around, and the knots repeat with the period.
    if (spline.closed && p >= 1 && p <= kMostDegree && knots.size() == control.size() + 1 &&
        control.size() > static_cast<std::size_t>(p)) {
        const double period = knots.back() - knots.front();
        const std::size_t n = control.size();
        for (int i = 0; i < p; ++i) control.push_back(control[i]), weights.push_back(weights[i]);
        std::vector<double> wrapped;
        for (std::size_t i = n - p; i < n; ++i) wrapped.push_back(knots[i] - period);
        wrapped.insert(wrapped.end(), knots.begin(), knots.end());
        for (int i = 1; i <= p; ++i) wrapped.push_back(knots[i] + period);
        knots = std::move(wrapped);
    }
    const bool positive =
        std::all_of(weights.begin(), weights.end(), [](double w) { return w > 0; });
    if (!positive || !Valid(knots, control.size(), p)) {
        out.insert(out.end(), spline.control.begin(), spline.control.end());
        return;
    }
    const Nurbs curve(p, control, weights, knots);
    const std::size_t n = control.size();
    std::size_t most = static_cast<std::size_t>(kMostWork / ((p + 1) * (p + 1)));
    std::size_t last = 0;
    for (std::size_t k = p; k < n; ++k) {
        if (!(knots[k] < knots[k + 1])) continue;
        std::size_t m = static_cast<std::size_t>(curve.SpanSegments(k, chords.Tolerance()));
        m = std::max<std::size_t>(1, std::min(m, most));
        if (m > 1 && !chords.Spend(m - 1)) m = 1;
        most -= std::min(most, m);
        for (std::size_t j = 0; j < m; ++j) {
            const double u = knots[k] + (knots[k + 1] - knots[k]) * static_cast<double>(j) / m;
            out.push_back(curve.At(k, u));
        }
        last = k;
    }
    out.push_back(curve.At(last, knots[last + 1]));
}
