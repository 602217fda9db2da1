#pragma once
// SPLINE (and HELIX, a spline underneath) as a NURBS curve: degree, knots, control points and
// weights as written; fit points where no control points are. Points in world coordinates.
#include <optional>
#include <vector>

#include "dxf/DxfCurves.h"
#include "dxf/DxfReader.h"

struct DxfSpline {
    int degree = 3;
    std::vector<double> knots, weights;
    std::vector<DxfPoint> control, fit;
    DxfPoint startTangent, endTangent;  // of the fit points' curve; none when zero
    bool closed = false;  // 70 bit 1: a periodic curve may store its knots one past its points
};

std::optional<DxfSpline> DecodeSpline(const DxfEntity& entity);

// Appends the curve's points. Control points, knots and weights that make no curve (a knot
// vector that falls, a degree of 0 or past the points, a weight that is not positive) give the
// control polygon; fit points alone give a smooth curve through them.
void SplinePoints(const DxfSpline& spline, DxfChords& chords, std::vector<DxfPoint>& out);
