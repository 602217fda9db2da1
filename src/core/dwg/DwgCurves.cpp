// The DWG entities made of lists, R13 to R2018, as DXF pairs: a list's count is never
// trusted; each stops when the bits run out or the entity's pair cap is reached.
#include <vector>

#include "dwg/DwgPairs.h"

namespace dwgpairs {

void Lwpolyline(DwgBits& bits, DxfEntity& entity, Out& out) {
    const int flags = bits.BS();
    double width = 0, elevation = 0, thickness = 0;
    DxfPoint normal{0, 0, 1};
    if (flags & 4) width = bits.BD();
    if (flags & 8) elevation = bits.BD();
    if (flags & 2) thickness = bits.BD();
    if (flags & 1) normal = bits.BD3();
    const uint32_t points = bits.BL();
    const uint32_t bulges = (flags & 16) ? bits.BL() : 0;
    const uint32_t widths = (flags & 32) ? bits.BL() : 0;
    out.Int(90, points);
    out.Int(70, ((flags & 512) ? 1 : 0) | ((flags & 256) ? 128 : 0));
    out.Real(43, width);
    out.Real(38, elevation);
    out.Real(39, thickness);
    // Bulges and widths come after all points: the points are held until they are known. A
    // point takes at least 4 bits, which bounds the list by the object's size.
    std::vector<DxfPoint> vertices;
    DxfPoint last;
    for (uint32_t i = 0; i < points && !bits.Overrun() && vertices.size() < kMaxDxfEntityPairs;
         ++i) {
        last = (i == 0 || !bits.R2000()) ? bits.RD2() : bits.DD2(last);
        if (!bits.Overrun()) vertices.push_back(last);
    }
    std::vector<double> bulge;
    for (uint32_t i = 0; i < bulges && !bits.Overrun() && bulge.size() < vertices.size(); ++i) {
        bulge.push_back(bits.BD());
    }
    std::vector<std::pair<double, double>> width2;
    for (uint32_t i = 0; i < widths && !bits.Overrun() && width2.size() < vertices.size(); ++i) {
        const double start = bits.BD();
        width2.emplace_back(start, bits.BD());
    }
    for (std::size_t i = 0; i < vertices.size() && !out.Full(); ++i) {
        out.Point2(10, vertices[i]);
        if (i < width2.size()) out.Real(40, width2[i].first), out.Real(41, width2[i].second);
        if (i < bulge.size()) out.Real(42, bulge[i]);
    }
    Extrusion(entity, out, normal);
}

void Spline(DwgBits& bits, Out& out) {
    uint32_t scenario = bits.BL();
    if (bits.R2013()) {
        // Flags and the knot parametrisation say what the scenario did before: fit points
        // (flag 1) unless the knots are given (15).
        const uint32_t flags = bits.BL();
        const uint32_t knotParameter = bits.BL();
        if (flags & 1) scenario = 2;
        if (knotParameter == 15) scenario = 1;
    }
    const uint32_t degree = bits.BL();
    uint32_t knots = 0, controls = 0, fits = 0;
    bool weighted = false;
    int flags = 8;
    if (scenario == 2) {
        const double tolerance = bits.BD();
        const DxfPoint begin = bits.BD3(), end = bits.BD3();
        fits = bits.BL();
        out.Int(70, flags);
        out.Int(71, degree);
        out.Int(74, fits);
        out.Real(44, tolerance);
        out.Point(12, begin);
        out.Point(13, end);
    } else {
        if (bits.B()) flags |= 4;  // rational
        if (bits.B()) flags |= 1;  // closed
        if (bits.B()) flags |= 2;  // periodic
        const double knotTolerance = bits.BD(), controlTolerance = bits.BD();
        knots = bits.BL();
        controls = bits.BL();
        weighted = bits.B();
        out.Int(70, flags);
        out.Int(71, degree);
        out.Int(72, knots);
        out.Int(73, controls);
        out.Int(74, 0);
        out.Real(42, knotTolerance);
        out.Real(43, controlTolerance);
    }
    for (uint32_t i = 0; i < knots && More(bits, out); ++i) out.Real(40, bits.BD());
    std::vector<double> weights;
    for (uint32_t i = 0; i < controls && More(bits, out); ++i) {
        out.Point(10, bits.BD3());
        if (weighted) weights.push_back(bits.BD());
    }
    for (std::size_t i = 0; i < weights.size() && !out.Full(); ++i) out.Real(41, weights[i]);
    for (uint32_t i = 0; i < fits && More(bits, out); ++i) out.Point(11, bits.BD3());
}

namespace {

void HatchEdges(DwgBits& bits, Out& out) {
    const uint32_t edges = bits.BL();
    out.Int(93, edges);
    for (uint32_t i = 0; i < edges && More(bits, out); ++i) {
        const int kind = bits.RC();
        out.Int(72, kind);
        switch (kind) {
            case 1:
                out.Point2(10, bits.RD2());
                out.Point2(11, bits.RD2());
                break;
            case 2:
                out.Point2(10, bits.RD2());
                out.Real(40, bits.BD());
                out.Real(50, bits.BD() * kDegrees);
                out.Real(51, bits.BD() * kDegrees);
                out.Int(73, bits.B());
                break;
            case 3:
                out.Point2(10, bits.RD2());
                out.Point2(11, bits.RD2());
                out.Real(40, bits.BD());
                out.Real(50, bits.BD() * kDegrees);
                out.Real(51, bits.BD() * kDegrees);
                out.Int(73, bits.B());
                break;
            case 4: {
                out.Int(94, bits.BL());
                const bool rational = bits.B();
                out.Int(73, rational);
                out.Int(74, bits.B());
                const uint32_t knots = bits.BL(), controls = bits.BL();
                out.Int(95, knots);
                out.Int(96, controls);
                for (uint32_t k = 0; k < knots && More(bits, out); ++k) out.Real(40, bits.BD());
                for (uint32_t k = 0; k < controls && More(bits, out); ++k) {
                    out.Point2(10, bits.RD2());
                    if (rational) out.Real(42, bits.BD());
                }
                break;
            }
            default:
                return;  // no such edge: the rest cannot be told apart
        }
    }
}

}  // namespace

void Hatch(DwgBits& bits, DxfEntity& entity, Out& out) {
    if (bits.R2004()) {  // a gradient, drawn as its boundary
        bits.BL(), bits.BL();
        bits.BD(), bits.BD();
        bits.BL();
        bits.BD();
        const uint32_t colours = bits.BL();
        for (uint32_t i = 0; i < colours && !bits.Overrun(); ++i) {
            bits.BD(), bits.BS(), bits.BL(), bits.RC();
        }
        bits.TV();
    }
    const double elevation = bits.BD();
    const DxfPoint normal = bits.BD3();
    const std::string name = bits.TV();
    const bool solid = bits.B();
    const bool associative = bits.B();
    const uint32_t paths = bits.BL();
    out.Point(10, {0, 0, elevation});
    Extrusion(entity, out, normal);
    out.Text(2, name);
    out.Int(70, solid);
    out.Int(71, associative);
    out.Int(91, paths);
    for (uint32_t i = 0; i < paths && More(bits, out); ++i) {
        const uint32_t flags = bits.BL();
        out.Int(92, flags);
        if (!(flags & 2)) {
            HatchEdges(bits, out);
        } else {
            const bool bulges = bits.B();
            out.Int(72, bulges);
            out.Int(73, bits.B());
            const uint32_t vertices = bits.BL();
            out.Int(93, vertices);
            for (uint32_t v = 0; v < vertices && More(bits, out); ++v) {
                out.Point2(10, bits.RD2());
                if (bulges) out.Real(42, bits.BD());
            }
        }
        const uint32_t sources = bits.BL();
        out.Int(97, bits.Overrun() ? 0 : sources);
    }
    const int style = bits.BS();
    const int pattern = bits.BS();
    if (bits.Overrun()) return;
    out.Int(75, style);
    out.Int(76, pattern);
}

void Mline(DwgBits& bits, DxfEntity& entity, Out& out) {
    out.Real(40, bits.BD());
    out.Int(70, bits.RC());
    out.Point(10, bits.BD3());
    const DxfPoint normal = bits.BD3();
    out.Int(71, bits.BS());
    const int lines = bits.RC();
    const int vertices = bits.BS();
    out.Int(72, vertices);
    out.Int(73, lines);
    Extrusion(entity, out, normal);
    for (int v = 0; v < vertices && More(bits, out); ++v) {
        out.Point(11, bits.BD3());
        out.Point(12, bits.BD3());
        out.Point(13, bits.BD3());
        for (int l = 0; l < lines && More(bits, out); ++l) {
            const int parameters = bits.BS();
            out.Int(74, parameters);
            for (int k = 0; k < parameters && More(bits, out); ++k) out.Real(41, bits.BD());
            const int fills = bits.BS();
            out.Int(75, fills);
            for (int k = 0; k < fills && More(bits, out); ++k) out.Real(42, bits.BD());
        }
    }
}

void Leader(DwgBits& bits, DxfEntity& entity, Out& out) {
    bits.B();
    const int annotation = bits.BS();
    const int path = bits.BS();
    const uint32_t points = bits.BL();
    out.Int(72, path);
    out.Int(73, annotation);
    out.Int(76, points);
    for (uint32_t i = 0; i < points && More(bits, out); ++i) out.Point(10, bits.BD3());
    bits.BD3();  // the last point projected
    Extrusion(entity, out, bits.BD3());
    out.Point(211, bits.BD3());
}

}  // namespace dwgpairs
