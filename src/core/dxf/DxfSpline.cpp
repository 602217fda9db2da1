#include "DxfSpline.h"

#include <algorithm>
#include <array>
#include <cmath>

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
        if (p.code == 31 && !spline.fit.empty()) spline.fit.back().z = p.real;
    }
    return spline;
}

void SplinePoints(const DxfSpline& spline, DxfChords& chords, std::vector<DxfPoint>& out) {
    if (spline.control.empty()) {
        out.insert(out.end(), spline.fit.begin(), spline.fit.end());
        return;
    }
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
