#include "DxfCurves.h"

#include <algorithm>
#include <cmath>

#include "draw/PortableMath.h"

using namespace dxfvec;

namespace {

constexpr double kMostPerTurn = 1024, kLeastPerTurn = 4;
// As many curve points as the entity may keep pairs: its curves then cost at most what
// reading it did.
constexpr std::size_t kPointBudget = kMaxDxfEntityPairs;

double Length(const DxfPoint& a) { return std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z); }

}  // namespace

std::span<const DxfPair> OwnPairs(const DxfEntity& entity) {
    const auto& pairs = entity.pairs;
    std::size_t begin = 0;
    for (std::size_t i = 0; i < pairs.size() && pairs[i].code != 1001; ++i) {
        if (pairs[i].code == 100 && pairs[i].text != "AcDbEntity") {
            begin = i + 1;
            break;
        }
    }
    std::size_t end = begin;
    while (end < pairs.size() && pairs[end].code != 1001) ++end;
    return std::span(pairs).subspan(begin, end - begin);
}

DxfChords::DxfChords(double tolerance)
    : tolerance_(tolerance > 0 ? tolerance : 0), budget_(kPointBudget) {}

bool DxfChords::Spend(std::size_t points) {
    if (points > budget_) return false;
    budget_ -= points;
    return true;
}

int DxfChords::Segments(double radius, double sweep) {
    double turns = std::fabs(sweep) / (2 * pmath::kPi);
    if (!(turns <= 1)) turns = 1;
    const double most = std::max(1.0, std::ceil(kMostPerTurn * turns));
    const double least = std::max(1.0, std::ceil(kLeastPerTurn * turns));
    // A chord of angle s is at most r * s^2 / 8 from its arc (1 - cos x <= x^2 / 2).
    double n = std::ceil(std::fabs(sweep) / std::sqrt(8 * tolerance_ / radius));
    if (!(radius > 0)) n = least;  // a point
    if (!(n <= most)) n = most;    // NaN too: no tolerance
    if (!(n >= least)) n = least;
    std::size_t segments = static_cast<std::size_t>(n);
    if (!Spend(segments)) {
        segments = std::max<std::size_t>(1, budget_);
        budget_ = 0;
    }
    return static_cast<int>(segments);
}

void DxfChords::Arc(const DxfPoint& centre, const DxfPoint& u, const DxfPoint& v, double start,
                    double sweep, std::vector<DxfPoint>& out, bool skipFirst) {
    const int n = Segments(std::max(Length(u), Length(v)), sweep);
    for (int i = skipFirst ? 1 : 0; i <= n; ++i) {
        double s, c;
        pmath::SinCos(i == n ? start + sweep : start + sweep * i / n, s, c);
        out.push_back(centre + u * c + v * s);
    }
}

void DxfChords::Bulge(const DxfOcs& ocs, double elevation, double x0, double y0, double x1,
                      double y1, double bulge, std::vector<DxfPoint>& out) {
    const DxfPoint end = ocs.ToWorld({x1, y1, elevation});
    const double dx = x1 - x0, dy = y1 - y0;
    const double chord = std::sqrt(dx * dx + dy * dy);
    if (bulge != 0 && chord > 0 && std::isfinite(chord)) {
        // The centre lies off the chord's midpoint by (chord / 2) / tan(sweep / 2), to the
        // left for a counter-clockwise arc shorter than half a turn.
        const double off = chord / 4 * (1 / bulge - bulge);
        const double radius = chord / 4 * std::fabs(1 / bulge + bulge);
        const double cx = (x0 + x1) / 2 - dy / chord * off, cy = (y0 + y1) / 2 + dx / chord * off;
        if (std::isfinite(off) && std::isfinite(radius) && std::isfinite(cx) && std::isfinite(cy)) {
            const double start = pmath::Atan2(y0 - cy, x0 - cx);
            const double sweep = 4 * pmath::Atan2(bulge, 1);
            Arc(ocs.ToWorld({cx, cy, elevation}), ocs.ToWorld({radius, 0, 0}),
                ocs.ToWorld({0, radius, 0}), start, sweep, out, true);
            out.back() = end;
            return;
        }
    }
    out.push_back(end);
}

std::vector<DxfPoint> BulgePolyline(std::span<const DxfBulgeVertex> vertices, bool closed,
                                    const DxfOcs& ocs, double elevation, DxfChords& chords) {
    std::vector<DxfPoint> points;
    if (vertices.empty()) return points;
    points.push_back(ocs.ToWorld({vertices[0].x, vertices[0].y, elevation}));
    for (std::size_t i = 1; i < vertices.size(); ++i) {
        const DxfBulgeVertex &a = vertices[i - 1], &b = vertices[i];
        chords.Bulge(ocs, elevation, a.x, a.y, b.x, b.y, a.bulge, points);
    }
    if (closed && vertices.size() > 1) {
        const DxfBulgeVertex &a = vertices.back(), &b = vertices.front();
        chords.Bulge(ocs, elevation, a.x, a.y, b.x, b.y, a.bulge, points);
        points.pop_back();  // the first point again
    }
    return points;
}
