// Entities as outlines, against curves computed here apart from the code under test: every
// point on its curve, every chord within the tolerance, end points where the entity puts them;
// the simple kinds by their exact points; hostile entities bounded; and every entity of the
// drawn kinds in the real drawings giving something.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "DxfBuilder.h"
#include "Fixtures.h"
#include "dxf/DxfGeometry.h"
#include "dxf/DxfReader.h"
#include "preview/ByteSource.h"

namespace {

using Pairs = std::vector<std::pair<int, std::string>>;

std::vector<DxfEntity> Read(std::span<const uint8_t> bytes) {
    MemorySource source(bytes);
    std::vector<DxfEntity> entities;
    ReadDxf(source, [&](const DxfEntity& e) { entities.push_back(e); });
    return entities;
}

// The outlines of each entity of a list, a POLYLINE with its VERTEX records.
std::vector<std::pair<std::string, DxfOutlines>> OutlinesOfAll(
    const std::vector<DxfEntity>& entities, double tolerance) {
    std::vector<std::pair<std::string, DxfOutlines>> all;
    for (std::size_t i = 0; i < entities.size(); ++i) {
        const DxfEntity& e = entities[i];
        if (e.type == "VERTEX" || e.type == "SEQEND" || e.type == "ATTRIB") continue;
        std::size_t end = i + 1;
        if (e.type == "POLYLINE") {
            while (end < entities.size() && entities[end].type == "VERTEX") ++end;
        }
        DxfOutlines out;
        OutlinesOf(e, std::span(entities).subspan(i + 1, end - i - 1), tolerance, out);
        all.emplace_back(e.type, std::move(out));
    }
    return all;
}

DxfOutlines OutlinesOfPairs(const Pairs& pairs, double tolerance) {
    Pairs all = {{0, "SECTION"}, {2, "ENTITIES"}};
    all.insert(all.end(), pairs.begin(), pairs.end());
    all.insert(all.end(), {{0, "ENDSEC"}, {0, "EOF"}});
    const auto entities = Read(dxftest::Bytes(dxftest::Ascii(all)));
    auto outlines = OutlinesOfAll(entities, tolerance);
    EXPECT_EQ(outlines.size(), 1u);
    return outlines.empty() ? DxfOutlines{} : outlines[0].second;
}

double Distance(const DxfPoint& a, const DxfPoint& b) {
    return std::hypot(a.x - b.x, a.y - b.y, a.z - b.z);
}

using Curve = std::function<DxfPoint(double)>;

// Distance from p to the curve over [t0, t1]: the nearest of dense samples, then refined.
double DistanceToCurve(const Curve& f, double t0, double t1, const DxfPoint& p) {
    constexpr int kSamples = 2000;
    const double step = (t1 - t0) / kSamples;
    double best = std::numeric_limits<double>::infinity(), at = t0;
    for (int i = 0; i <= kSamples; ++i) {
        const double d = Distance(f(t0 + step * i), p);
        if (d < best) best = d, at = t0 + step * i;
    }
    double lo = std::max(t0, at - step), hi = std::min(t1, at + step);
    for (int i = 0; i < 100; ++i) {
        const double m1 = lo + (hi - lo) / 3, m2 = hi - (hi - lo) / 3;
        if (Distance(f(m1), p) < Distance(f(m2), p))
            hi = m2;
        else
            lo = m1;
    }
    return std::min(best, Distance(f((lo + hi) / 2), p));
}

DxfPoint Bezier3(const DxfPoint (&c)[4], double t) {
    const double s = 1 - t, b[4] = {s * s * s, 3 * s * s * t, 3 * s * t * t, t * t * t};
    DxfPoint p;
    for (int i = 0; i < 4; ++i) p.x += b[i] * c[i].x, p.y += b[i] * c[i].y, p.z += b[i] * c[i].z;
    return p;
}

const std::string kW = "0.70710678118654757";  // sqrt(1/2): a NURBS circle's corner weight
const DxfPoint kBezier[4] = {{0, 0, 0}, {1, 3, 0}, {3, 3, 1}, {4, 0, 0}};

TEST(DxfGeometry, CurvesLieOnTheirTrueCurvesWithinTheTolerance) {
    const double pi = std::acos(-1.0);
    const struct {
        const char* name;
        Pairs pairs;
        double tolerance;
        Curve curve;
        double t0, t1;
        bool closed;
        std::vector<DxfPoint> ends;  // first and last point, where the entity fixes them
    } rows[] = {
        {"circle",
         {{0, "CIRCLE"}, {10, "1"}, {20, "2"}, {30, "3"}, {40, "5"}},
         0.01,
         [](double t) {
             return DxfPoint{1 + 5 * std::cos(t), 2 + 5 * std::sin(t), 3};
         },
         0,
         2 * pi,
         true,
         {{6, 2, 3}}},
        {"arc across 0 degrees",
         {{0, "ARC"}, {10, "0"}, {20, "0"}, {40, "2"}, {50, "270"}, {51, "90"}},
         0.001,
         [](double t) {
             return DxfPoint{2 * std::cos(t), 2 * std::sin(t), 0};
         },
         -pi / 2,
         pi / 2,
         false,
         {{0, -2, 0}, {0, 2, 0}}},
        {"arc in a mirrored OCS",
         {{0, "ARC"},
          {10, "1"},
          {20, "0"},
          {30, "4"},
          {40, "2"},
          {50, "0"},
          {51, "90"},
          {210, "0"},
          {220, "0"},
          {230, "-1"}},
         0.001,
         [](double t) {
             return DxfPoint{-1 - 2 * std::cos(t), 2 * std::sin(t), -4};
         },
         0,
         pi / 2,
         false,
         {{-3, 0, -4}, {-1, 2, -4}}},
        {"arc in a tilted OCS",  // normal +X: OCS x is world Y, OCS y world Z
         {{0, "ARC"}, {40, "1"}, {50, "0"}, {51, "180"}, {210, "1"}, {220, "0"}, {230, "0"}},
         0.001,
         [](double t) {
             return DxfPoint{0, std::cos(t), std::sin(t)};
         },
         0,
         pi,
         false,
         {{0, 1, 0}, {0, -1, 0}}},
        {"ellipse arc about -Z",
         {{0, "ELLIPSE"},
          {10, "0"},
          {20, "0"},
          {11, "4"},
          {21, "0"},
          {40, "0.5"},
          {41, "0"},
          {42, "1.5707963267948966"},
          {210, "0"},
          {220, "0"},
          {230, "-1"}},
         0.001,
         [](double t) {
             return DxfPoint{4 * std::cos(t), -2 * std::sin(t), 0};
         },
         0,
         pi / 2,
         false,
         {{4, 0, 0}, {0, -2, 0}}},
        {"whole tilted ellipse",
         {{0, "ELLIPSE"}, {10, "1"}, {20, "1"}, {11, "3"}, {21, "4"}, {40, "0.2"}},
         0.01,
         [](double t) {
             return DxfPoint{1 + 3 * std::cos(t) - 0.8 * std::sin(t),
                             1 + 4 * std::cos(t) + 0.6 * std::sin(t), 0};
         },
         0,
         2 * pi,
         true,
         {{4, 5, 0}}},
        {"bulge below its chord",
         {{0, "LWPOLYLINE"}, {90, "2"}, {10, "0"}, {20, "0"}, {42, "1"}, {10, "2"}, {20, "0"}},
         0.001,
         [](double t) {
             return DxfPoint{1 + std::cos(t), std::sin(t), 0};
         },
         pi,
         2 * pi,
         false,
         {{0, 0, 0}, {2, 0, 0}}},
        {"bulge of a quarter, clockwise, mirrored, at an elevation",
         {{0, "LWPOLYLINE"},
          {38, "3"},
          {10, "1"},
          {20, "0"},
          {42, "-0.41421356237309503"},
          {10, "0"},
          {20, "-1"},
          {210, "0"},
          {220, "0"},
          {230, "-1"}},
         0.001,
         [](double t) {
             return DxfPoint{-std::cos(t), std::sin(t), -3};
         },
         -pi / 2,
         0,
         false,
         {{-1, 0, -3}, {0, -1, -3}}},
        {"NURBS circle",
         {{0, "SPLINE"},
          {100, "AcDbEntity"},
          {100, "AcDbSpline"},
          {70, "12"},
          {71, "2"},
          {40, "0"},
          {40, "0"},
          {40, "0"},
          {40, "0.25"},
          {40, "0.25"},
          {40, "0.5"},
          {40, "0.5"},
          {40, "0.75"},
          {40, "0.75"},
          {40, "1"},
          {40, "1"},
          {40, "1"},
          {10, "4"},
          {20, "1"},
          {41, "1"},
          {10, "4"},
          {20, "4"},
          {41, kW},
          {10, "1"},
          {20, "4"},
          {41, "1"},
          {10, "-2"},
          {20, "4"},
          {41, kW},
          {10, "-2"},
          {20, "1"},
          {41, "1"},
          {10, "-2"},
          {20, "-2"},
          {41, kW},
          {10, "1"},
          {20, "-2"},
          {41, "1"},
          {10, "4"},
          {20, "-2"},
          {41, kW},
          {10, "4"},
          {20, "1"},
          {41, "1"}},
         0.001,
         [](double t) {
             return DxfPoint{1 + 3 * std::cos(t), 1 + 3 * std::sin(t), 0};
         },
         0,
         2 * pi,
         false,
         {{4, 1, 0}, {4, 1, 0}}},
        {"clamped cubic B-spline",
         {{0, "SPLINE"},
          {71, "3"},
          {40, "0"},
          {40, "0"},
          {40, "0"},
          {40, "0"},
          {40, "1"},
          {40, "1"},
          {40, "1"},
          {40, "1"},
          {10, "0"},
          {20, "0"},
          {10, "1"},
          {20, "3"},
          {10, "3"},
          {20, "3"},
          {30, "1"},
          {10, "4"},
          {20, "0"}},
         0.001,
         [](double t) { return Bezier3(kBezier, t); },
         0,
         1,
         false,
         {{0, 0, 0}, {4, 0, 0}}},
        {"periodic spline of n + 1 knots round a square",
         {{0, "SPLINE"},
          {70, "3"},
          {71, "2"},
          {40, "0"},
          {40, "1"},
          {40, "2"},
          {40, "3"},
          {40, "4"},
          {10, "1"},
          {20, "0"},
          {10, "0"},
          {20, "1"},
          {10, "-1"},
          {20, "0"},
          {10, "0"},
          {20, "-1"}},
         0.001,
         [](double t) {  // piecewise quadratic Bezier between the sides' midpoints
             const DxfPoint c[4] = {{1, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, -1, 0}};
             const int j = std::min(3, static_cast<int>(t));
             const double s = t - j;
             const DxfPoint &a = c[j], &b = c[(j + 1) % 4], &d = c[(j + 2) % 4];
             const DxfPoint m0{(a.x + b.x) / 2, (a.y + b.y) / 2, 0};
             const DxfPoint m1{(b.x + d.x) / 2, (b.y + d.y) / 2, 0};
             const double u = 1 - s;
             return DxfPoint{u * u * m0.x + 2 * u * s * b.x + s * s * m1.x,
                             u * u * m0.y + 2 * u * s * b.y + s * s * m1.y, 0};
         },
         0,
         4,
         false,
         {{0.5, 0.5, 0}, {0.5, 0.5, 0}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const DxfOutlines out = OutlinesOfPairs(row.pairs, row.tolerance);
        ASSERT_EQ(out.runs.size(), 1u);
        EXPECT_TRUE(out.areas.empty());
        const DxfRun& run = out.runs[0];
        EXPECT_EQ(run.closed, row.closed);
        ASSERT_GE(run.points.size(), 3u);
        EXPECT_LE(run.points.size(), 1025u);
        const auto& p = run.points;
        for (std::size_t i = 0; i < p.size(); ++i) {
            EXPECT_LT(DistanceToCurve(row.curve, row.t0, row.t1, p[i]), 1e-6) << i;
            if (i + 1 == p.size() && !run.closed) break;
            const DxfPoint& q = p[(i + 1) % p.size()];
            const DxfPoint mid{(p[i].x + q.x) / 2, (p[i].y + q.y) / 2, (p[i].z + q.z) / 2};
            EXPECT_LE(DistanceToCurve(row.curve, row.t0, row.t1, mid), row.tolerance) << i;
        }
        EXPECT_LT(Distance(p.front(), row.ends.front()), 1e-9);
        if (row.ends.size() > 1) {
            EXPECT_LT(Distance(p.back(), row.ends.back()), 1e-9);
        }
    }
}

std::string Describe(const DxfOutlines& out) {
    const auto points = [](const DxfRun& run) {
        std::string text;
        for (const DxfPoint& p : run.points) {
            char xyz[80];
            std::snprintf(xyz, sizeof xyz, " %g,%g,%g", p.x, p.y, p.z);
            text += xyz;
        }
        return text;
    };
    std::string text;
    const auto next = [&] { return text.empty() ? "" : " |"; };
    for (const DxfRun& run : out.runs)
        text += next() + std::string(run.closed ? " closed" : "") + points(run);
    for (const DxfArea& area : out.areas) {
        text += next() + std::string(" area");
        for (std::size_t i = 0; i < area.rings.size(); ++i) {
            text += (i ? " /" : "") + points(area.rings[i]);
        }
    }
    if (out.skippedBodies)
        text += next() + std::string(" bodies ") + std::to_string(out.skippedBodies);
    return text.empty() ? text : text.substr(1);
}

// clang-format off
Pairs Vertex(const std::string& x, const std::string& y, const std::string& z, const std::string& flags) {
    return {{0, "VERTEX"}, {10, x}, {20, y}, {30, z}, {70, flags}};
}
Pairs Concat(std::initializer_list<Pairs> parts) {
    Pairs all;
    for (const Pairs& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}
Pairs Face(int a, int b, int c) {
    return {{0, "VERTEX"}, {70, "128"}, {71, std::to_string(a)}, {72, std::to_string(b)}, {73, std::to_string(c)}};
}

TEST(DxfGeometry, KindsGiveTheirPoints) {
    const Pairs seqend = {{0, "SEQEND"}};
    const struct {
        const char* name;
        Pairs pairs;
        const char* outlines;
    } rows[] = {
        {"line", {{0, "LINE"}, {10, "1"}, {20, "2"}, {30, "3"}, {11, "4"}, {21, "5"}, {31, "6"}},
         "1,2,3 4,5,6"},
        {"point: a dot", {{0, "POINT"}, {10, "7"}, {20, "8"}, {30, "9"}, {210, "0"}, {230, "-1"}}, "7,8,9"},
        {"trace: corners 1, 2, 4, 3",
         {{0, "TRACE"}, {10, "0"}, {20, "0"}, {11, "1"}, {21, "0"}, {12, "0"}, {22, "1"}, {13, "1"}, {23, "1"}},
         "area 0,0,0 1,0,0 1,1,0 0,1,0"},
        {"solid of three corners, mirrored",
         {{0, "SOLID"}, {10, "1"}, {20, "0"}, {30, "2"}, {11, "2"}, {21, "0"}, {31, "2"}, {12, "1"},
          {22, "1"}, {32, "2"}, {210, "0"}, {220, "0"}, {230, "-1"}},
         "area -1,0,-2 -2,0,-2 -1,1,-2 -1,1,-2"},
        {"3dface, first and third edges hidden",
         {{0, "3DFACE"}, {10, "0"}, {20, "0"}, {11, "1"}, {21, "0"}, {12, "1"}, {22, "1"}, {32, "1"},
          {13, "0"}, {23, "1"}, {33, "1"}, {70, "5"}},
         "1,0,0 1,1,1 | 0,1,1 0,0,0"},
        {"3dface triangle",
         {{0, "3DFACE"}, {10, "0"}, {20, "0"}, {11, "1"}, {21, "0"}, {12, "1"}, {22, "1"}, {13, "1"}, {23, "1"}},
         "closed 0,0,0 1,0,0 1,1,0"},
        {"3D polyline, closed", Concat({{{0, "POLYLINE"}, {66, "1"}, {70, "9"}},
             Vertex("0", "0", "0", "32"), Vertex("1", "0", "1", "32"), Vertex("1", "1", "2", "32"), seqend}),
         "closed 0,0,0 1,0,1 1,1,2"},
        {"2D polyline, mirrored, at its elevation",
         Concat({{{0, "POLYLINE"}, {10, "0"}, {20, "0"}, {30, "5"}, {210, "0"}, {220, "0"}, {230, "-1"}},
                 Vertex("1", "0", "0", "0"), Vertex("2", "3", "0", "0"), seqend}),
         "-1,0,-5 -2,3,-5"},
        {"spline-fit polyline without its frame",
         Concat({{{0, "POLYLINE"}, {70, "4"}}, Vertex("0", "0", "0", "16"), Vertex("1", "1", "0", "8"),
                 Vertex("2", "0", "0", "8"), Vertex("3", "3", "0", "16"), seqend}),
         "1,1,0 2,0,0"},
        {"polyface: a triangle, a face with a hidden edge, a face past the vertices",
         Concat({{{0, "POLYLINE"}, {70, "64"}, {71, "4"}, {72, "3"}}, Vertex("0", "0", "0", "192"),
                 Vertex("1", "0", "0", "192"), Vertex("1", "1", "0", "192"), Vertex("0", "1", "0", "192"),
                 Face(1, 2, 3), Face(1, -3, 4), Face(1, 9, 2), seqend}),
         "closed 0,0,0 1,0,0 1,1,0 | 0,1,0 0,0,0 1,1,0"},
        {"mesh of 2 x 3, closed along its rows",
         Concat({{{0, "POLYLINE"}, {70, "48"}, {71, "2"}, {72, "3"}}, Vertex("0", "0", "0", "64"),
                 Vertex("1", "0", "0", "64"), Vertex("2", "0", "0", "64"), Vertex("0", "1", "0", "64"),
                 Vertex("1", "1", "0", "64"), Vertex("2", "1", "0", "64"), seqend}),
         "closed 0,0,0 1,0,0 2,0,0 | closed 0,1,0 1,1,0 2,1,0 | 0,0,0 0,1,0 | 1,0,0 1,1,0 | 2,0,0 2,1,0"},
        {"mline of two elements",
         {{0, "MLINE"}, {40, "1"}, {71, "1"}, {73, "2"}, {10, "0"}, {20, "0"}, {11, "0"}, {21, "0"},
          {12, "1"}, {22, "0"}, {13, "0"}, {23, "1"}, {74, "2"}, {41, "0"}, {41, "0"}, {75, "0"},
          {74, "2"}, {41, "-1"}, {41, "0"}, {75, "0"}, {11, "4"}, {21, "0"}, {12, "1"}, {22, "0"},
          {13, "0"}, {23, "1"}, {74, "2"}, {41, "0"}, {41, "0"}, {75, "0"}, {74, "2"}, {41, "-1"},
          {41, "0"}, {75, "0"}},
         "0,0,0 4,0,0 | 0,-1,0 4,-1,0"},
        {"leader, extended data left out",
         {{0, "LEADER"}, {100, "AcDbLeader"}, {76, "3"}, {10, "0"}, {20, "0"}, {10, "1"}, {20, "1"},
          {10, "3"}, {20, "1"}, {1001, "ACAD"}, {1010, "9"}, {1020, "9"}},
         "0,0,0 1,1,0 3,1,0"},
        {"image frame", {{0, "IMAGE"}, {10, "1"}, {20, "2"}, {11, "0.5"}, {21, "0"}, {12, "0"},
                         {22, "0.25"}, {13, "4"}, {23, "8"}, {280, "0"}},
         "closed 1,4,0 3,4,0 3,2,0 1,2,0"},
        {"wipeout clipped to a triangle",
         {{0, "WIPEOUT"}, {10, "0"}, {20, "0"}, {11, "2"}, {21, "0"}, {12, "0"}, {22, "2"}, {13, "1"},
          {23, "1"}, {280, "1"}, {71, "2"}, {91, "4"}, {14, "-0.5"}, {24, "0.5"}, {14, "0.5"},
          {24, "0.5"}, {14, "0"}, {24, "-0.5"}, {14, "-0.5"}, {24, "0.5"}},
         "closed 0,0,0 2,0,0 1,2,0"},
        {"region", {{0, "REGION"}, {1, "ACIS"}}, "bodies 1"},
        {"spline of two fit points, one twice", {{0, "SPLINE"}, {11, "0"}, {11, "0"}, {11, "2"}}, "0,0,0 2,0,0"},
        {"spline of degree 1", {{0, "SPLINE"}, {71, "1"}, {40, "0"}, {40, "0"}, {40, "1"}, {40, "2"},
                                {40, "2"}, {10, "0"}, {20, "0"}, {10, "1"}, {20, "1"}, {10, "2"}, {20, "0"}},
         "0,0,0 1,1,0 2,0,0"},
        {"spline whose knots fall: its control polygon",
         {{0, "SPLINE"}, {71, "2"}, {40, "0"}, {40, "0"}, {40, "0"}, {40, "1"}, {40, "0.5"}, {40, "1"},
          {10, "0"}, {20, "0"}, {10, "1"}, {20, "1"}, {10, "2"}, {20, "0"}},
         "0,0,0 1,1,0 2,0,0"},
        {"pattern hatch: its polyline path, past the proxy's 92",
         {{0, "HATCH"}, {100, "AcDbEntity"}, {92, "999"}, {100, "AcDbHatch"}, {10, "0"}, {20, "0"},
          {30, "2"}, {2, "ANSI31"}, {70, "0"}, {71, "0"}, {91, "1"}, {92, "2"}, {72, "0"}, {73, "1"},
          {93, "3"}, {10, "0"}, {20, "0"}, {10, "1"}, {20, "0"}, {10, "1"}, {20, "1"}, {97, "0"},
          {75, "0"}, {76, "1"}, {98, "1"}, {10, "5"}, {20, "5"}},
         "closed 0,0,2 1,0,2 1,1,2"},
        {"solid hatch of line edges",
         {{0, "HATCH"}, {70, "1"}, {91, "1"}, {92, "1"}, {93, "3"}, {72, "1"}, {10, "0"}, {20, "0"},
          {11, "1"}, {21, "0"}, {72, "1"}, {10, "1"}, {20, "0"}, {11, "0"}, {21, "1"}, {72, "1"},
          {10, "0"}, {20, "1"}, {11, "0"}, {21, "0"}, {97, "0"}},
         "area 0,0,0 1,0,0 0,1,0"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(Describe(OutlinesOfPairs(row.pairs, 0.01)), row.outlines) << row.name;
    }
}

// Paths of every kind in one pattern hatch: a polyline circle of two bulges, a circle of one arc
// edge, a clockwise arc between lines, an ellipse edge, a spline edge, and a path round a text
// (drawn only as a hole of a fill).
TEST(DxfGeometry, HatchPathsOfEveryEdge) {
    const Pairs hatch = {
        {0, "HATCH"}, {70, "0"}, {91, "6"},
        {92, "3"}, {72, "1"}, {73, "1"}, {93, "2"}, {10, "-2"}, {20, "0"}, {42, "1"}, {10, "2"}, {20, "0"}, {42, "1"}, {97, "0"},
        {92, "16"}, {93, "1"}, {72, "2"}, {10, "0"}, {20, "0"}, {40, "1"}, {50, "0"}, {51, "360"}, {73, "1"}, {97, "0"},
        {92, "0"}, {93, "4"}, {72, "1"}, {10, "0"}, {20, "0"}, {11, "2"}, {21, "0"},
        {72, "2"}, {10, "2"}, {20, "1"}, {40, "1"}, {50, "90"}, {51, "270"}, {73, "0"},
        {72, "1"}, {10, "2"}, {20, "2"}, {11, "0"}, {21, "2"}, {72, "1"}, {10, "0"}, {20, "2"}, {11, "0"}, {21, "0"},
        {97, "1"}, {330, "2A"},
        {92, "0"}, {93, "1"}, {72, "3"}, {10, "5"}, {20, "0"}, {11, "2"}, {21, "0"}, {40, "0.5"}, {50, "0"}, {51, "90"}, {73, "1"},
        {92, "0"}, {93, "1"}, {72, "4"}, {94, "3"}, {73, "0"}, {74, "0"}, {95, "8"}, {96, "4"}, {40, "0"}, {40, "0"},
        {40, "0"}, {40, "0"}, {40, "1"}, {40, "1"}, {40, "1"}, {40, "1"}, {10, "0"}, {20, "0"}, {10, "1"}, {20, "3"},
        {10, "3"}, {20, "3"}, {10, "4"}, {20, "0"}, {97, "0"}, {97, "0"},
        {92, "10"}, {72, "0"}, {73, "1"}, {93, "3"}, {10, "7"}, {20, "7"}, {10, "8"}, {20, "7"}, {10, "8"}, {20, "8"}, {97, "0"},
        {75, "1"}, {76, "1"}, {98, "1"}, {10, "9"}, {20, "9"}};
    const double tolerance = 0.001;
    const DxfOutlines out = OutlinesOfPairs(hatch, tolerance);
    ASSERT_EQ(out.runs.size(), 5u);
    for (const DxfRun& ring : out.runs) {
        EXPECT_TRUE(ring.closed);
        EXPECT_GT(ring.points.size(), 8u);
    }
    const double pi = std::acos(-1.0);
    // Two half turns of radius 2 about the origin.
    const Curve circle2 = [](double t) { return DxfPoint{2 * std::cos(t), 2 * std::sin(t), 0}; };
    const Curve circle1 = [](double t) { return DxfPoint{std::cos(t), std::sin(t), 0}; };
    const Curve ellipse = [](double t) { return DxfPoint{5 + 2 * std::cos(t), std::sin(t), 0}; };
    const Curve bezier = [](double t) {
        const DxfPoint c[4] = {{0, 0, 0}, {1, 3, 0}, {3, 3, 0}, {4, 0, 0}};
        return Bezier3(c, t);
    };
    for (const DxfPoint& p : out.runs[0].points) EXPECT_LT(DistanceToCurve(circle2, 0, 2 * pi, p), 1e-9);
    for (const DxfPoint& p : out.runs[1].points) EXPECT_LT(DistanceToCurve(circle1, 0, 2 * pi, p), 1e-9);
    // The clockwise edge bulges into the square, through (1, 1), and the ring never jumps.
    const auto& notch = out.runs[2].points;
    double nearest = 1, longest = 0;
    for (std::size_t i = 0; i < notch.size(); ++i) {
        nearest = std::min(nearest, Distance(notch[i], {1, 1, 0}));
        longest = std::max(longest, Distance(notch[i], notch[(i + 1) % notch.size()]));
    }
    EXPECT_LT(nearest, 1e-9);
    EXPECT_LE(longest, 2 + 1e-9);
    // The ellipse edge's angles are true angles: 90 degrees ends at the minor axis' end.
    EXPECT_LT(Distance(out.runs[3].points.back(), {5, 1, 0}), 1e-9);
    for (const DxfPoint& p : out.runs[3].points) EXPECT_LT(DistanceToCurve(ellipse, 0, pi / 2, p), 1e-9);
    // The spline edge, and its 97 of fit data told from the path's.
    for (const DxfPoint& p : out.runs[4].points) EXPECT_LT(DistanceToCurve(bezier, 0, 1, p), 1e-9);

    // The same paths solid: one area, the inner circle a hole of the outer one.
    Pairs solid = hatch;
    solid[1].second = "1";
    const DxfOutlines filled = OutlinesOfPairs(solid, tolerance);
    ASSERT_EQ(filled.areas.size(), 1u);
    EXPECT_EQ(filled.areas[0].rings.size(), 6u);
    EXPECT_TRUE(filled.runs.empty());
}

// Fit points alone: a smooth closed curve through eight points of a circle, within 1% of it.
TEST(DxfGeometry, FitPointsGiveACurveThroughThem) {
    Pairs spline = {{0, "SPLINE"}, {70, "1"}};
    std::vector<DxfPoint> fit;
    for (int i = 0; i < 8; ++i) {
        fit.push_back({2 * std::cos(i * std::acos(-1.0) / 4), 2 * std::sin(i * std::acos(-1.0) / 4), 0});
        char x[40], y[40];
        std::snprintf(x, sizeof x, "%.17g", fit.back().x);
        std::snprintf(y, sizeof y, "%.17g", fit.back().y);
        spline.insert(spline.end(), {{11, x}, {21, y}});
    }
    const DxfOutlines out = OutlinesOfPairs(spline, 0.001);
    ASSERT_EQ(out.runs.size(), 1u);
    const auto& points = out.runs[0].points;
    EXPECT_GT(points.size(), 32u);
    EXPECT_LT(Distance(points.front(), points.back()), 1e-12);
    for (const DxfPoint& p : points) EXPECT_NEAR(std::hypot(p.x, p.y), 2, 0.02);  // 1% off
    for (const DxfPoint& f : fit) {
        double nearest = 1;
        for (const DxfPoint& p : points) nearest = std::min(nearest, Distance(p, f));
        EXPECT_EQ(nearest, 0);
    }
}

// Bounded and finite whatever the entity claims: every point finite, no more than `most`.
TEST(DxfGeometry, HostileEntitiesStayBounded) {
    Pairs manyBulges = {{0, "LWPOLYLINE"}, {90, "2147483647"}};
    for (int i = 0; i < 80000; ++i) {
        manyBulges.insert(manyBulges.end(), {{10, std::to_string(i)}, {20, "0"}, {42, "1"}});
    }
    const struct {
        const char* name;
        Pairs pairs;
        double tolerance;
        std::size_t least, most;
    } rows[] = {
        {"radius 1e308", {{0, "ARC"}, {40, "1e308"}, {50, "1e308"}, {51, "-1e308"}}, 1e-3, 4, 1025},
        {"centre and radius 1e308", {{0, "CIRCLE"}, {10, "1e308"}, {40, "1e308"}}, 1e-3, 1, 1024},
        {"no tolerance", {{0, "CIRCLE"}, {40, "1"}}, 0, 1024, 1024},
        {"negative tolerance", {{0, "CIRCLE"}, {40, "1"}}, -1, 1024, 1024},
        {"tolerance past the radius", {{0, "CIRCLE"}, {40, "1"}}, 1e308, 4, 4},
        {"infinite tolerance", {{0, "CIRCLE"}, {40, "1"}}, std::numeric_limits<double>::infinity(), 4, 4},
        {"bulge 1e308", {{0, "LWPOLYLINE"}, {10, "0"}, {20, "0"}, {42, "1e308"}, {10, "1"}, {20, "0"}}, 1e-3, 2, 1025},
        {"bulge below the smallest normal", {{0, "LWPOLYLINE"}, {10, "0"}, {42, "1e-310"}, {10, "1"}}, 1e-3, 2, 2},
        {"bulge chord of 1e308 both ways", {{0, "LWPOLYLINE"}, {10, "-1e308"}, {42, "1"}, {10, "1e308"}}, 1e-3, 1, 2},
        {"80000 bulges at a fine tolerance", manyBulges, 1e-12, 80000, 80000 + kMaxDxfEntityPairs},
        {"ellipse of ratio 0", {{0, "ELLIPSE"}, {11, "1"}, {40, "0"}}, 1e-3, 4, 1024},
        {"ellipse of 1e308 axes", {{0, "ELLIPSE"}, {11, "1e308"}, {21, "1e308"}, {40, "1e308"}}, 1e-3, 0, 1024},
        {"spline of degree 0", {{0, "SPLINE"}, {71, "0"}, {40, "0"}, {40, "1"}, {10, "0"}, {10, "1"}}, 1e-3, 2, 2},
        {"spline of degree 1000", {{0, "SPLINE"}, {71, "1000"}, {10, "0"}, {10, "1"}}, 1e-3, 2, 2},
        {"spline with a zero weight",
         {{0, "SPLINE"}, {71, "1"}, {40, "0"}, {40, "0"}, {40, "1"}, {40, "1"}, {10, "0"}, {41, "0"}, {10, "1"}, {41, "1"}},
         1e-3, 2, 2},
        {"spline whose knots span past a double",
         {{0, "SPLINE"}, {71, "1"}, {40, "-1e308"}, {40, "-1e308"}, {40, "1e308"}, {40, "1e308"}, {10, "0"}, {10, "1"}},
         1e-3, 2, 2},
        {"fit points past a double apart", {{0, "SPLINE"}, {11, "-1e308"}, {11, "1e308"}, {21, "1e308"}, {11, "0"}}, 1e-3, 0, 1025 + 3},
        {"spline claiming 32767 knots and points", {{0, "SPLINE"}, {72, "32767"}, {73, "32767"}, {10, "0"}}, 1e-3, 1, 1},
        {"polyface past its vertices",
         Concat({{{0, "POLYLINE"}, {70, "64"}}, Vertex("0", "0", "0", "192"), Face(-32768, 32767, 1), {{0, "SEQEND"}}}),
         1e-3, 0, 0},
        {"mesh claiming 32767 x 32767",
         Concat({{{0, "POLYLINE"}, {70, "16"}, {71, "32767"}, {72, "32767"}}, Vertex("0", "0", "0", "64"),
                 Vertex("1", "0", "0", "64"), {{0, "SEQEND"}}}),
         1e-3, 2, 2},
        {"hatch claiming 2^31 paths and edges",
         {{0, "HATCH"}, {91, "2147483647"}, {92, "1"}, {93, "2147483647"}, {72, "4"}, {95, "2147483647"},
          {96, "2147483647"}, {40, "0"}, {10, "1e308"}, {20, "1e308"}, {72, "2"}, {40, "1e308"}},
         1e-3, 1, 1025 + 2},
        {"mline parameters before any vertex", {{0, "MLINE"}, {74, "2"}, {41, "1"}, {41, "1"}}, 1e-3, 0, 0},
        {"image of 1e308 pixels", {{0, "IMAGE"}, {11, "1e308"}, {12, "1e308"}, {13, "1e308"}, {23, "1e308"}}, 1e-3, 0, 4},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const DxfOutlines out = OutlinesOfPairs(row.pairs, row.tolerance);
        std::size_t points = 0;
        const auto count = [&](const DxfRun& run) {
            for (const DxfPoint& p : run.points) {
                EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z));
            }
            points += run.points.size();
        };
        for (const DxfRun& run : out.runs) count(run);
        for (const DxfArea& area : out.areas) for (const DxfRun& ring : area.rings) count(ring);
        EXPECT_GE(points, row.least);
        EXPECT_LE(points, row.most);
    }
}
// clang-format on

// Every entity of the kinds drawn here, in every real drawing and its blocks, gives outlines.
TEST(DxfGeometry, RealDrawingsEveryEntityGivesOutlines) {
    const std::set<std::string> drawn = {
        "LINE",  "POINT", "CIRCLE", "ARC",   "ELLIPSE", "LWPOLYLINE", "POLYLINE", "SPLINE", "HELIX",
        "SOLID", "TRACE", "3DFACE", "HATCH", "MLINE",   "LEADER",     "IMAGE",    "WIPEOUT"};
    const auto dir = DxfFixturesDir();
    if (!std::filesystem::is_directory(dir)) GTEST_SKIP() << "no DXF fixtures at " << dir;
    std::set<std::string> met;
    std::size_t bodies = 0;
    for (const auto& folder : {dir, dir / "entities-2007"}) {
        for (const auto& file : std::filesystem::directory_iterator(folder)) {
            if (file.path().extension() != ".dxf") continue;
            SCOPED_TRACE(file.path().filename().string());
            const auto bytes = ReadFileBytes(file.path());
            MemorySource source(bytes);
            std::vector<DxfEntity> entities;
            const auto keep = [&](const DxfEntity& e) { entities.push_back(e); };
            const DxfDrawing drawing = ReadDxf(source, keep);
            for (const DxfBlock& block : drawing.blocks) ReadDxfBlock(source, block, keep);
            for (const auto& [type, out] : OutlinesOfAll(entities, 0.01)) {
                bodies += out.skippedBodies;
                if (!drawn.contains(type)) continue;
                met.insert(type);
                EXPECT_FALSE(out.runs.empty() && out.areas.empty()) << type;
            }
        }
    }
    EXPECT_EQ(met.size(), drawn.size() - 1);  // no TRACE among them
    EXPECT_GT(bodies, 0u);
}

// The helix of entities-2007 is a spline through its turns: its own data, after the spline's,
// gives the axis' base point (10), the start point (11) and the top radius (40); the radius
// grows with the height from the start's to the top's, over a height of 1.
TEST(DxfGeometry, HelixStaysOnItsCone) {
    const auto path = DxfFixturesDir() / "entities-2007" / "Helix.dxf";
    if (!std::filesystem::exists(path)) GTEST_SKIP() << "no " << path;
    const auto bytes = ReadFileBytes(path);
    std::vector<DxfEntity> helices;
    MemorySource source(bytes);
    ReadDxf(source, [&](const DxfEntity& e) {
        if (e.type == "HELIX") helices.push_back(e);
    });
    ASSERT_EQ(helices.size(), 1u);
    const auto outlines = OutlinesOfAll(helices, 0.001);
    ASSERT_EQ(outlines[0].second.runs.size(), 1u);
    const auto& points = outlines[0].second.runs[0].points;
    EXPECT_GT(points.size(), 100u);
    const double axisX = 2.254053240352249, axisY = 13.3778454279583;
    const double base = std::hypot(3.604312273600513 - axisX, 13.15303857240865 - axisY);
    const double top = 6.827831659934211;
    for (const DxfPoint& p : points) {
        EXPECT_NEAR(std::hypot(p.x - axisX, p.y - axisY), base + (top - base) * p.z, 0.02);
    }
    EXPECT_NEAR(points.back().z, 1, 1e-9);
}

}  // namespace
