// A HATCH's boundary paths, in its OCS at its elevation (the 30 of its first point). After the
// fill flag (70) and the path count (91) each path opens with its type flags (92): bit 2 a
// polyline (72 has bulges, 73 closed, 93 count, then 10/20 and 42 per vertex), else 93 edges,
// each opened by its type (72): 1 line (10/20, 11/21), 2 arc (centre, 40 radius, 50/51 angles,
// 73 counter-clockwise), 3 elliptic arc (centre, 11/21 major axis, 40 ratio, 50/51, 73),
// 4 spline (94 degree, 73 rational, 74 periodic, 95/96 counts, 40 knots, 10/20 and 42 per
// control point, then 97 fit points 11/21 and tangents 12/22, 13/23). A path ends with its
// source objects (97, then 330s); the pattern and seed points follow the last one.
//
// Clockwise arcs store their angles mirrored (360 - angle, start and end swapped): the edge is
// the counter-clockwise arc between them, walked backwards.
#include "DxfHatch.h"

#include <algorithm>
#include <cmath>

#include "draw/PortableMath.h"
#include "dxf/DxfOcs.h"
#include "dxf/DxfSpline.h"

using namespace dxfvec;

namespace {

class Cursor {
  public:
    explicit Cursor(std::span<const DxfPair> pairs) : pairs_(pairs) {}
    bool Done() const { return i_ >= pairs_.size(); }
    int Code() const { return Done() ? -1 : pairs_[i_].code; }
    int NextCode() const { return i_ + 1 < pairs_.size() ? pairs_[i_ + 1].code : -1; }
    const DxfPair& Take() { return pairs_[i_++]; }
    bool At(int code) const { return Code() == code; }
    double Real(int code, double fallback = 0) { return At(code) ? Take().real : fallback; }
    int64_t Integer(int code, int64_t fallback = 0) { return At(code) ? Take().integer : fallback; }

  private:
    std::span<const DxfPair> pairs_;
    std::size_t i_ = 0;
};

// Codes that end an edge list whatever it claims: the next path, the source objects, the
// pattern.
bool EndsEdges(int code) { return code == 92 || code == 97 || code == 75 || code == -1; }

void AppendJoined(std::vector<DxfPoint>& ring, const std::vector<DxfPoint>& edge) {
    auto from = edge.begin();
    if (!ring.empty() && from != edge.end() && ring.back().x == from->x &&
        ring.back().y == from->y) {
        ++from;
    }
    ring.insert(ring.end(), from, edge.end());
}

// Angles of 50/51 in degrees as stored, to the counter-clockwise start and sweep in radians.
void ArcSpan(double start, double end, bool ccw, double& from, double& sweep) {
    if (!ccw) std::swap(start, end), start = 360 - start, end = 360 - end;
    double span = std::fmod(end - start, 360.0);
    if (!(span > 0)) span += 360;
    if (!(span > 0) || span > 360) span = 360;  // equal angles: the whole turn
    from = pmath::Radians(std::fmod(start, 360.0)), sweep = pmath::Radians(span);
}

std::vector<DxfPoint> ArcEdge(Cursor& c, int type, DxfChords& chords) {
    DxfPoint centre, major{1, 0, 0};
    double radius = 0, ratio = 1, start = 0, end = 360;
    bool ccw = true;
    while (!EndsEdges(c.Code()) && !c.At(72)) {
        const DxfPair& p = c.Take();
        if (p.code == 10) centre.x = p.real;
        if (p.code == 20) centre.y = p.real;
        if (p.code == 11) major.x = p.real;
        if (p.code == 21) major.y = p.real;
        if (p.code == 40) (type == 2 ? radius : ratio) = p.real;
        if (p.code == 50) start = p.real;
        if (p.code == 51) end = p.real;
        if (p.code == 73) ccw = p.integer != 0;
    }
    DxfPoint u{radius, 0, 0}, v{0, radius, 0};
    if (type == 3) u = major, v = DxfPoint{-major.y, major.x, 0} * ratio;
    double from, sweep;
    ArcSpan(start, end, ccw, from, sweep);
    if (type == 3) {
        // An ellipse edge's angles are true angles: to the parameters of its points.
        const double to = pmath::Atan2(pmath::Sin(from + sweep) / ratio, pmath::Cos(from + sweep));
        from = pmath::Atan2(pmath::Sin(from) / ratio, pmath::Cos(from));
        double span = to - from;
        if (!(span > 0)) span += 2 * pmath::kPi;
        if (sweep < 2 * pmath::kPi && std::isfinite(span)) sweep = span;
    }
    std::vector<DxfPoint> points;
    chords.Arc(centre, u, v, from, sweep, points);
    if (!ccw) std::reverse(points.begin(), points.end());
    return points;
}

std::vector<DxfPoint> SplineEdge(Cursor& c, DxfChords& chords) {
    DxfSpline spline;
    spline.degree = static_cast<int>(c.Integer(94, 3));
    c.Integer(73), spline.closed = c.Integer(74) != 0;
    const int64_t knots = c.Integer(95), points = c.Integer(96);
    for (int64_t i = 0; i < knots && c.At(40); ++i) spline.knots.push_back(c.Take().real);
    for (int64_t i = 0; i < points && c.At(10); ++i) {
        const double x = c.Take().real;
        spline.control.push_back({x, c.Real(20)});
        if (c.At(42)) spline.weights.push_back(c.Take().real);
    }
    // Fit data, written from R2010 on: a 97 then its points, told from the path's own 97 by
    // what follows.
    const int after = c.NextCode();
    if (c.At(97) && (after == 11 || after == 12 || after == 13 || after == 97)) {
        c.Take();
        while (c.At(11)) {
            const double x = c.Take().real;
            spline.fit.push_back({x, c.Real(21)});
        }
        for (int code : {12, 13}) {
            if (c.At(code)) c.Take(), c.Real(code + 10);
        }
    }
    std::vector<DxfPoint> out;
    SplinePoints(spline, chords, out);
    return out;
}

}  // namespace

void HatchOutlines(const DxfEntity& entity, DxfChords& chords, DxfOutlines& out) {
    Cursor c(OwnPairs(entity));
    double elevation = 0;
    bool solid = false;
    while (!c.Done() && !c.At(91)) {
        const DxfPair& p = c.Take();
        if (p.code == 30) elevation = p.real;
        if (p.code == 70) solid = p.integer == 1;
    }
    c.Integer(91);
    const DxfOcs ocs(entity.extrusion);
    std::vector<DxfRun> rings;
    while (c.At(92)) {
        const int64_t type = c.Take().integer;
        std::vector<DxfPoint> ring;
        if (type & 2) {
            const bool bulges = c.Integer(72) != 0;
            c.Integer(73), c.Integer(93);
            std::vector<DxfBulgeVertex> vertices;
            while (c.At(10)) {
                DxfBulgeVertex v{c.Take().real};
                v.y = c.Real(20);
                if (bulges) v.bulge = c.Real(42);
                vertices.push_back(v);
            }
            ring = BulgePolyline(vertices, true, DxfOcs({0, 0, 1}), 0, chords);
        } else {
            c.Integer(93);
            while (c.At(72)) {
                const int64_t edge = c.Take().integer;
                if (edge == 1) {
                    DxfPoint a, b;
                    while (!EndsEdges(c.Code()) && !c.At(72)) {
                        const DxfPair& p = c.Take();
                        if (p.code == 10) a.x = p.real;
                        if (p.code == 20) a.y = p.real;
                        if (p.code == 11) b.x = p.real;
                        if (p.code == 21) b.y = p.real;
                    }
                    AppendJoined(ring, {a, b});
                } else if (edge == 2 || edge == 3) {
                    AppendJoined(ring, ArcEdge(c, static_cast<int>(edge), chords));
                } else if (edge == 4) {
                    AppendJoined(ring, SplineEdge(c, chords));
                }
                // Whatever is left of an edge of no known kind is passed over.
                while (!EndsEdges(c.Code()) && !c.At(72)) c.Take();
            }
        }
        if (c.At(97)) {
            c.Take();
            while (c.At(330)) c.Take();
        }
        if (ring.size() > 1 && ring.back().x == ring.front().x && ring.back().y == ring.front().y) {
            ring.pop_back();
        }
        for (DxfPoint& p : ring) p = ocs.ToWorld({p.x, p.y, elevation});
        // A path around a text (flag 8) keeps the text clear of a fill and is never drawn.
        if (!ring.empty() && (solid || !(type & 8))) rings.push_back({std::move(ring), true});
    }
    if (solid) {
        out.areas.push_back({std::move(rings)});
    } else {
        for (DxfRun& ring : rings) out.runs.push_back(std::move(ring));
    }
}
