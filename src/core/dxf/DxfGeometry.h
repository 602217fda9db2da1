#pragma once
// The geometry of one entity as runs of points in world coordinates (its OCS already applied),
// ready to be projected and drawn: curves are cut into chords no further than `tolerance`
// (drawing units) from the true curve, with a bounded number of points per curve whatever the
// tolerance. Filled areas (solid hatches, SOLID, TRACE) come as rings filled even-odd. A POINT
// is a run of one point (a dot). Every point is finite: what overflows is left out.
//
// Inserts, dimensions (their blocks), XLINE/RAY (clipped to the frame by the renderer) and
// text are the renderer's; everything else of the entity list is here. ACIS bodies give
// nothing and are counted.
#include <cstddef>
#include <span>
#include <vector>

#include "dxf/DxfReader.h"

struct DxfRun {
    std::vector<DxfPoint> points;
    bool closed = false;  // the last point joins the first
};

struct DxfArea {
    std::vector<DxfRun> rings;  // filled even-odd: a ring inside another is a hole
};

struct DxfOutlines {
    std::vector<DxfRun> runs;
    std::vector<DxfArea> areas;
    std::size_t skippedBodies = 0;  // REGION, 3DSOLID, BODY, SURFACE
    void Clear() { runs.clear(), areas.clear(); }
};

// Appends the outlines of `entity` to `out`. A POLYLINE takes its VERTEX records in
// `vertices` (in file order, the SEQEND left out); other kinds ignore it. A kind not drawn
// here appends nothing.
void OutlinesOf(const DxfEntity& entity, std::span<const DxfEntity> vertices, double tolerance,
                DxfOutlines& out);
