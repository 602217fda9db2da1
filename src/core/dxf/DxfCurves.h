#pragma once
// Curves cut into chords for one entity: arcs of circles and ellipses (given by a centre and two
// axes, so that OCS circles, ellipses and bulges share one path) and polylines with bulges. A
// chord lies within the tolerance of its curve; a full turn takes 4 to 1024 chords; and an
// entity has a budget of points for its curves, past which a curve is only its chord: an entity
// of 10^5 arcs costs what its pairs cost, whatever the tolerance.
#include <cstddef>
#include <span>
#include <vector>

#include "dxf/DxfOcs.h"
#include "dxf/DxfReader.h"

// An entity's own pairs: from past its first subclass marker after AcDbEntity (all of them in
// files that write no markers) up to its extended data. The common part before it reuses codes
// (92 is the proxy graphics' size there, a boundary's type in a HATCH).
std::span<const DxfPair> OwnPairs(const DxfEntity& entity);

class DxfChords {
  public:
    // A tolerance that is no positive number asks for the finest cut.
    explicit DxfChords(double tolerance);

    // Chords for `sweep` radians of a curve whose largest radius is `radius`.
    int Segments(double radius, double sweep);

    // centre + cos(a) * u + sin(a) * v for a from `start` through `start + sweep` (radians),
    // the first point left out when `skipFirst` (the caller has it already).
    void Arc(const DxfPoint& centre, const DxfPoint& u, const DxfPoint& v, double start,
             double sweep, std::vector<DxfPoint>& out, bool skipFirst = false);

    // The arc of a polyline segment from (x0, y0) to (x1, y1) in the OCS plane at `elevation`,
    // bulge = tan(sweep / 4); the end point is given exactly, the start left out.
    void Bulge(const DxfOcs& ocs, double elevation, double x0, double y0, double x1, double y1,
               double bulge, std::vector<DxfPoint>& out);

    // Takes `points` from the budget; false (and nothing taken) when too few are left.
    bool Spend(std::size_t points);
    double Tolerance() const { return tolerance_; }

  private:
    double tolerance_;
    std::size_t budget_;
};

// One vertex of a polyline in its OCS plane.
struct DxfBulgeVertex {
    double x = 0, y = 0, bulge = 0;
};

// The world points of a polyline with bulges; the closing segment too when `closed` (the run
// is then marked closed, its first point not repeated).
std::vector<DxfPoint> BulgePolyline(std::span<const DxfBulgeVertex> vertices, bool closed,
                                    const DxfOcs& ocs, double elevation, DxfChords& chords);

// Vector sums for the geometry's own files (`using namespace dxfvec;`), kept out of the global
// namespace where another part may define its own.
namespace dxfvec {
inline DxfPoint operator+(const DxfPoint& a, const DxfPoint& b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline DxfPoint operator-(const DxfPoint& a, const DxfPoint& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline DxfPoint operator*(const DxfPoint& a, double s) { return {a.x * s, a.y * s, a.z * s}; }
}  // namespace dxfvec
