// LWPOLYLINE, and POLYLINE with its VERTEX records. The header's flags (70) tell the kind:
// 64 a polyface mesh (vertices flagged 128 + 64, then faces flagged 128 alone whose 71-74 are
// 1-based vertex numbers, negative before an invisible edge), 16 a polygon mesh (71 x 72
// vertices row by row, closed along 71 by flag 1 and along 72 by flag 32), 8 a 3D polyline in
// world coordinates, else a 2D one in its OCS at the elevation of the header's 30, with bulges.
// Frame points of a spline-fit polyline (vertex flag 16) are not on the curve.
#include "DxfPolylines.h"

#include <cstdlib>

#include "dxf/DxfOcs.h"
#include "dxf/DxfShapes.h"

namespace {

struct Vertex {
    DxfPoint at;
    double bulge = 0;
    int64_t flags = 0;
    int64_t index[4] = {0, 0, 0, 0};
};

Vertex DecodeVertex(const DxfEntity& entity) {
    Vertex v;
    for (const DxfPair& p : OwnPairs(entity)) {
        if (p.code == 10) v.at.x = p.real;
        if (p.code == 20) v.at.y = p.real;
        if (p.code == 30) v.at.z = p.real;
        if (p.code == 42) v.bulge = p.real;
        if (p.code == 70) v.flags = p.integer;
        if (p.code >= 71 && p.code <= 74) v.index[p.code - 71] = p.integer;
    }
    return v;
}

void PolyfaceEdges(std::span<const Vertex> records, DxfOutlines& out) {
    std::vector<DxfPoint> points;
    for (const Vertex& v : records) {
        if (!(v.flags & 128) || (v.flags & 64)) points.push_back(v.at);
    }
    const auto valid = [&](int64_t i) {
        const auto size = static_cast<int64_t>(points.size());
        return i != 0 && i <= size && i >= -size;
    };
    for (const Vertex& face : records) {
        if (!(face.flags & 128) || (face.flags & 64)) continue;
        std::vector<DxfPoint> corners;
        std::vector<bool> visible;
        for (int i = 0; i < 4 && valid(face.index[i]); ++i) {
            corners.push_back(points[std::llabs(face.index[i]) - 1]);
            visible.push_back(face.index[i] > 0);
        }
        FaceEdges(corners, visible, out);
    }
}

void MeshLines(std::span<const Vertex> records, int64_t m, int64_t n, int64_t flags,
               DxfOutlines& out) {
    const auto count = static_cast<int64_t>(records.size());
    if (m < 1 || n < 1 || m > count || n > count || m * n > count) {
        DxfRun run;
        for (const Vertex& v : records) run.points.push_back(v.at);
        out.runs.push_back(std::move(run));
        return;
    }
    for (int64_t i = 0; i < m; ++i) {
        DxfRun row{{}, (flags & 32) != 0};
        for (int64_t j = 0; j < n; ++j) row.points.push_back(records[i * n + j].at);
        out.runs.push_back(std::move(row));
    }
    for (int64_t j = 0; j < n; ++j) {
        DxfRun column{{}, (flags & 1) != 0};
        for (int64_t i = 0; i < m; ++i) column.points.push_back(records[i * n + j].at);
        out.runs.push_back(std::move(column));
    }
}

}  // namespace

void FaceEdges(std::span<const DxfPoint> corners, const std::vector<bool>& visible,
               DxfOutlines& out) {
    const std::size_t n = corners.size();
    if (n < 2) return;
    if (n == 2) {
        if (visible[0]) out.runs.push_back({{corners[0], corners[1]}, false});
        return;
    }
    std::size_t hidden = 0;
    while (hidden < n && visible[hidden]) ++hidden;
    if (hidden == n) {
        out.runs.push_back({{corners.begin(), corners.end()}, true});
        return;
    }
    // From the first hidden edge round: each stretch of visible edges is one run.
    DxfRun run;
    for (std::size_t k = 1; k <= n; ++k) {
        const std::size_t e = (hidden + k) % n;
        if (k < n && visible[e]) {
            if (run.points.empty()) run.points.push_back(corners[e]);
            run.points.push_back(corners[(e + 1) % n]);
        } else if (!run.points.empty()) {
            out.runs.push_back(std::move(run));
            run = {};
        }
    }
}

void LwPolylineOutlines(const DxfEntity& entity, DxfChords& chords, DxfOutlines& out) {
    const auto polyline = DecodeLwPolyline(entity);
    if (!polyline) return;
    std::vector<DxfBulgeVertex> vertices;
    vertices.reserve(polyline->vertices.size());
    for (const auto& v : polyline->vertices) vertices.push_back({v.x, v.y, v.bulge});
    out.runs.push_back({BulgePolyline(vertices, polyline->closed, DxfOcs(entity.extrusion),
                                      polyline->elevation, chords),
                        polyline->closed});
}

void PolylineOutlines(const DxfEntity& entity, std::span<const DxfEntity> vertexRecords,
                      DxfChords& chords, DxfOutlines& out) {
    int64_t flags = 0, m = 0, n = 0;
    double elevation = 0;
    for (const DxfPair& p : OwnPairs(entity)) {
        if (p.code == 70) flags = p.integer;
        if (p.code == 30) elevation = p.real;
        if (p.code == 71) m = p.integer;
        if (p.code == 72) n = p.integer;
    }
    std::vector<Vertex> records;
    records.reserve(vertexRecords.size());
    for (const DxfEntity& record : vertexRecords) {
        if (record.type != "VERTEX") continue;
        const Vertex v = DecodeVertex(record);
        if ((flags & (64 | 16)) || !(v.flags & 16)) records.push_back(v);
    }
    const bool closed = (flags & 1) != 0;
    if (flags & 64) return PolyfaceEdges(records, out);
    if (flags & 16) return MeshLines(records, m, n, flags, out);
    if (flags & 8) {
        DxfRun run{{}, closed};
        for (const Vertex& v : records) run.points.push_back(v.at);
        out.runs.push_back(std::move(run));
        return;
    }
    std::vector<DxfBulgeVertex> vertices;
    vertices.reserve(records.size());
    for (const Vertex& v : records) vertices.push_back({v.at.x, v.at.y, v.bulge});
    out.runs.push_back(
        {BulgePolyline(vertices, closed, DxfOcs(entity.extrusion), elevation, chords), closed});
}
