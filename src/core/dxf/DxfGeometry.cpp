// Each kind from its own pairs. OCS kinds (CIRCLE, ARC, LWPOLYLINE, 2D POLYLINE, SOLID, TRACE,
// HATCH) go through DxfOcs; the others are written in world coordinates (ELLIPSE, SPLINE,
// 3DFACE, MLINE, LEADER, IMAGE, WIPEOUT: their 210 is a normal, not a coordinate system).
#include "DxfGeometry.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "draw/PortableMath.h"
#include "dxf/DxfCurves.h"
#include "dxf/DxfHatch.h"
#include "dxf/DxfOcs.h"
#include "dxf/DxfPolylines.h"
#include "dxf/DxfShapes.h"
#include "dxf/DxfSpline.h"

using namespace dxfvec;

namespace {

double Length(const DxfPoint& a) { return std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z); }

// end - start of an arc, as a positive sweep of at most a turn: equal angles are a whole one.
double Sweep(double start, double end, double turn) {
    double sweep = std::fmod(end - start, turn);
    if (!(sweep > 0)) sweep += turn;
    return sweep > 0 && sweep <= turn ? sweep : turn;
}

void CircleOrArc(const DxfEntity& entity, DxfChords& chords, DxfOutlines& out) {
    DxfPoint centre;
    double radius = 0, start = 0, sweep = 2 * pmath::kPi;
    const bool arc = entity.type == "ARC";
    if (arc) {
        const auto a = DecodeArc(entity);
        centre = a->centre, radius = a->radius;
        start = pmath::Radians(std::fmod(a->startAngle, 360.0));
        sweep = pmath::Radians(Sweep(a->startAngle, a->endAngle, 360));
    } else {
        const auto c = DecodeCircle(entity);
        centre = c->centre, radius = c->radius;
    }
    const DxfOcs ocs(entity.extrusion);
    DxfRun run{{}, !arc};
    chords.Arc(ocs.ToWorld(centre), ocs.ToWorld({radius, 0, 0}), ocs.ToWorld({0, radius, 0}), start,
               sweep, run.points);
    if (!arc) run.points.pop_back();  // the first point again
    out.runs.push_back(std::move(run));
}

void Ellipse(const DxfEntity& entity, DxfChords& chords, DxfOutlines& out) {
    DxfPoint centre, major{1, 0, 0};
    double ratio = 1, start = 0, end = 2 * pmath::kPi;
    for (const DxfPair& p : OwnPairs(entity)) {
        DxfCoordinate(centre, p, 10);
        DxfCoordinate(major, p, 11);
        if (p.code == 40) ratio = p.real;
        if (p.code == 41) start = p.real;
        if (p.code == 42) end = p.real;
    }
    DxfPoint n = entity.extrusion;
    const double length = Length(n);
    n = length > 0 && std::isfinite(length) ? n * (1 / length) : DxfPoint{0, 0, 1};
    const DxfPoint minor = DxfPoint{n.y * major.z - n.z * major.y, n.z * major.x - n.x * major.z,
                                    n.x * major.y - n.y * major.x} *
                           ratio;
    const double sweep = Sweep(start, end, 2 * pmath::kPi);
    const bool whole = sweep == 2 * pmath::kPi;
    DxfRun run{{}, whole};
    chords.Arc(centre, major, minor, std::fmod(start, 2 * pmath::kPi), sweep, run.points);
    if (whole) run.points.pop_back();
    out.runs.push_back(std::move(run));
}

// SOLID and TRACE: a quadrilateral filled, its corners in the order 1, 2, 4, 3; three corners
// when the fourth is left out.
void Quad(const DxfEntity& entity, DxfOutlines& out) {
    DxfPoint c[4];
    bool fourth = false;
    for (const DxfPair& p : OwnPairs(entity)) {
        for (int i = 0; i < 4; ++i) DxfCoordinate(c[i], p, 10 + i);
        fourth = fourth || p.code == 13;
    }
    if (!fourth) c[3] = c[2];
    const DxfOcs ocs(entity.extrusion);
    out.areas.push_back(
        {{{{ocs.ToWorld(c[0]), ocs.ToWorld(c[1]), ocs.ToWorld(c[3]), ocs.ToWorld(c[2])}, true}}});
}

// 3DFACE: flag bits 1, 2, 4, 8 hide the edges from corner 1, 2, 3, 4 to the next.
void Face(const DxfEntity& entity, DxfOutlines& out) {
    DxfPoint c[4];
    bool fourth = false;
    int64_t hidden = 0;
    for (const DxfPair& p : OwnPairs(entity)) {
        for (int i = 0; i < 4; ++i) DxfCoordinate(c[i], p, 10 + i);
        fourth = fourth || p.code == 13;
        if (p.code == 70) hidden = p.integer;
    }
    std::vector<bool> visible;
    for (int i = 0; i < 4; ++i) visible.push_back(!(hidden & (int64_t{1} << i)));
    // A triangle repeats its third corner: its closing edge is the fourth.
    if (!fourth || (c[3].x == c[2].x && c[3].y == c[2].y && c[3].z == c[2].z)) {
        visible[2] = visible[3];
        visible.pop_back();
        return FaceEdges(std::span(c, 3), visible, out);
    }
    FaceEdges(c, visible, out);
}

// MLINE: each vertex (11) carries its miter direction (13) and, per element of the style, a
// parameter list (74 count, 41s) whose first value is the element's offset along the miter,
// scale applied. Flag 2 of 71: closed.
void Mline(const DxfEntity& entity, DxfOutlines& out) {
    struct Vertex {
        DxfPoint at, miter;
        std::vector<double> offsets;
        bool fresh = false;  // the last element has no offset yet
    };
    std::vector<Vertex> vertices;
    bool closed = false;
    std::size_t elements = 0;
    for (const DxfPair& p : OwnPairs(entity)) {
        if (p.code == 71) closed = (p.integer & 2) != 0;
        if (p.code == 11) vertices.emplace_back();
        if (vertices.empty()) continue;
        Vertex& v = vertices.back();
        DxfCoordinate(v.at, p, 11);
        DxfCoordinate(v.miter, p, 13);
        if (p.code == 74) v.fresh = true;
        if (p.code == 41 && v.fresh) {
            v.offsets.push_back(p.real), v.fresh = false;
            elements = std::max(elements, v.offsets.size());
        }
    }
    for (std::size_t e = 0; e < elements; ++e) {
        DxfRun run{{}, closed};
        for (const Vertex& v : vertices) {
            if (e < v.offsets.size()) run.points.push_back(v.at + v.miter * v.offsets[e]);
        }
        out.runs.push_back(std::move(run));
    }
}

void Leader(const DxfEntity& entity, DxfOutlines& out) {
    DxfRun run;
    for (const DxfPair& p : OwnPairs(entity)) {
        if (p.code == 10) run.points.push_back({p.real});
        if (run.points.empty()) continue;
        if (p.code == 20) run.points.back().y = p.real;
        if (p.code == 30) run.points.back().z = p.real;
    }
    out.runs.push_back(std::move(run));
}

// IMAGE and WIPEOUT: the frame, or the clip boundary when clipping is on (280). Pixel
// coordinates of the boundary run from the top left corner's pixel centre (u, v per pixel).
void Frame(const DxfEntity& entity, DxfOutlines& out) {
    DxfPoint at, u, v, size;
    int64_t clipping = 0, clipType = 0;
    std::vector<DxfPoint> clip;
    for (const DxfPair& p : OwnPairs(entity)) {
        DxfCoordinate(at, p, 10);
        DxfCoordinate(u, p, 11);
        DxfCoordinate(v, p, 12);
        DxfCoordinate(size, p, 13);
        if (p.code == 280) clipping = p.integer;
        if (p.code == 71) clipType = p.integer;
        if (p.code == 14) clip.push_back({p.real});
        if (p.code == 24 && !clip.empty()) clip.back().y = p.real;
    }
    if (clipping == 0 || clip.size() < 2) {
        clip = {{-0.5, -0.5}, {size.x - 0.5, size.y - 0.5}};
        clipType = 1;
    }
    if (clipType == 1 || clip.size() == 2) {
        const DxfPoint a = clip[0], b = clip[1];
        clip = {a, {b.x, a.y}, b, {a.x, b.y}};
    }
    if (clip.size() > 2 && clip.back().x == clip.front().x && clip.back().y == clip.front().y) {
        clip.pop_back();
    }
    DxfRun run{{}, true};
    for (const DxfPoint& c : clip) {
        run.points.push_back(at + u * (c.x + 0.5) + v * (size.y - 0.5 - c.y));
    }
    out.runs.push_back(std::move(run));
}

bool IsBody(std::string_view type) {
    for (std::string_view body :
         {"REGION", "3DSOLID", "BODY", "SURFACE", "PLANESURFACE", "EXTRUDEDSURFACE",
          "LOFTEDSURFACE", "REVOLVEDSURFACE", "SWEPTSURFACE", "NURBSURFACE"}) {
        if (type == body) return true;
    }
    return false;
}

bool Finite(const DxfPoint& p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

// Sums of huge coordinates overflow: such points are left out, and a ring with one is dropped
// whole (a part of it would fill something else).
void KeepFinite(DxfOutlines& out, std::size_t runs, std::size_t areas) {
    for (auto run = out.runs.begin() + runs; run != out.runs.end(); ++run) {
        std::erase_if(run->points, [](const DxfPoint& p) { return !Finite(p); });
    }
    out.runs.erase(std::remove_if(out.runs.begin() + runs, out.runs.end(),
                                  [](const DxfRun& run) { return run.points.empty(); }),
                   out.runs.end());
    for (auto area = out.areas.begin() + areas; area != out.areas.end(); ++area) {
        std::erase_if(area->rings, [](const DxfRun& ring) {
            return ring.points.empty() ||
                   !std::all_of(ring.points.begin(), ring.points.end(), Finite);
        });
    }
    out.areas.erase(std::remove_if(out.areas.begin() + areas, out.areas.end(),
                                   [](const DxfArea& area) { return area.rings.empty(); }),
                    out.areas.end());
}

}  // namespace

void OutlinesOf(const DxfEntity& entity, std::span<const DxfEntity> vertices, double tolerance,
                DxfOutlines& out) {
    const std::size_t runs = out.runs.size(), areas = out.areas.size();
    DxfChords chords(tolerance);
    const std::string& type = entity.type;
    if (const auto line = DecodeLine(entity)) {
        out.runs.push_back({{line->start, line->end}, false});
    } else if (const auto point = DecodePoint(entity)) {
        out.runs.push_back({{point->at}, false});
    } else if (type == "CIRCLE" || type == "ARC") {
        CircleOrArc(entity, chords, out);
    } else if (type == "ELLIPSE") {
        Ellipse(entity, chords, out);
    } else if (type == "LWPOLYLINE") {
        LwPolylineOutlines(entity, chords, out);
    } else if (type == "POLYLINE") {
        PolylineOutlines(entity, vertices, chords, out);
    } else if (const auto spline = DecodeSpline(entity)) {
        DxfRun run{{}, false};
        SplinePoints(*spline, chords, run.points);
        out.runs.push_back(std::move(run));
    } else if (type == "SOLID" || type == "TRACE") {
        Quad(entity, out);
    } else if (type == "3DFACE") {
        Face(entity, out);
    } else if (type == "HATCH") {
        HatchOutlines(entity, chords, out);
    } else if (type == "MLINE") {
        Mline(entity, out);
    } else if (type == "LEADER") {
        Leader(entity, out);
    } else if (type == "IMAGE" || type == "WIPEOUT") {
        Frame(entity, out);
    } else if (IsBody(type)) {
        ++out.skippedBodies;
    }
    KeepFinite(out, runs, areas);
}
