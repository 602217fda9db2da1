#include "Raster.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kSubRows = 4;

struct Edge {
    int64_t x0, y0, x1, y1;  // y0 < y1
};

}  // namespace

FixedPoint ToFixed(double x, double y) {
    const auto one = [](double v) {
        const double scaled = std::floor(v * kFixedOne + 0.5);
        if (!(scaled > -kFixedLimit)) return -static_cast<int64_t>(kFixedLimit);  // NaN too
        if (!(scaled < kFixedLimit)) return static_cast<int64_t>(kFixedLimit);
        return static_cast<int64_t>(scaled);
    };
    return {one(x), one(y)};
}

Canvas::Canvas(int width, int height, uint32_t ground, DrawBudget& budget) : budget_(budget) {
    image_.width = width;
    image_.height = height;
    image_.pixels.resize(static_cast<std::size_t>(width) * height * 4);
    for (std::size_t i = 0; i < image_.pixels.size(); i += 4) {
        image_.pixels[i] = static_cast<uint8_t>(ground >> 16);
        image_.pixels[i + 1] = static_cast<uint8_t>(ground >> 8);
        image_.pixels[i + 2] = static_cast<uint8_t>(ground);
        image_.pixels[i + 3] = 255;
    }
    partial_.resize(static_cast<std::size_t>(width) + 2);
    runs_.resize(static_cast<std::size_t>(width) + 2);
}

void Canvas::Plot(int64_t x, int64_t y, int64_t coverage, uint32_t colour) {
    Ink(colour).Plot(x, y, coverage);
}

void Canvas::Line(FixedPoint a, FixedPoint b, uint32_t colour) {
    int64_t dx = b.x - a.x, dy = b.y - a.y;
    if (dx == 0 && dy == 0) {
        budget_.Take(1);
        Plot(a.x >> kFixedShift, a.y >> kFixedShift, 256, colour);
        return;
    }
    const bool steep = (dy < 0 ? -dy : dy) > (dx < 0 ? -dx : dx);
    if (steep) std::swap(a.x, a.y), std::swap(b.x, b.y), std::swap(dx, dy);
    if (a.x > b.x) std::swap(a, b), dx = -dx, dy = -dy;
    // The run along the major axis, in whole pixels: the caller clipped it to the picture.
    const int64_t first = a.x >> kFixedShift, last = (b.x - 1) >> kFixedShift;
    if (!budget_.Take(last - first + 1)) return;
    const int64_t gradient = (dy << 16) / dx;  // |gradient| <= 1 in 16.16
    const Inker ink = Ink(colour);
    for (int64_t column = first; column <= last; ++column) {
        const int64_t left = std::max(a.x, column << kFixedShift);
        const int64_t right = std::min(b.x, (column + 1) << kFixedShift);
        const int64_t cover = right - left;  // along the major axis, 0-256
        const int64_t centre = (column << kFixedShift) + kFixedOne / 2;
        // Minor position at the column's centre, less half a pixel: between which two
        // pixel centres the line passes.
        const int64_t minor = a.y + (((centre - a.x) * gradient) >> 16) - kFixedOne / 2;
        const int64_t row = minor >> kFixedShift, frac = minor & (kFixedOne - 1);
        const int64_t near = cover * (kFixedOne - frac) >> kFixedShift;
        const int64_t far = cover * frac >> kFixedShift;
        if (steep) {
            ink.Plot(row, column, near), ink.Plot(row + 1, column, far);
        } else {
            ink.Plot(column, row, near), ink.Plot(column, row + 1, far);
        }
    }
}

void Canvas::Fill(std::span<const std::vector<FixedPoint>> rings, uint32_t colour) {
    std::vector<Edge> edges;
    for (const auto& ring : rings) {
        for (std::size_t i = 0; i < ring.size(); ++i) {
            FixedPoint p = ring[i], q = ring[(i + 1) % ring.size()];
            if (p.y == q.y) continue;
            if (p.y > q.y) std::swap(p, q);
            edges.push_back({p.x, p.y, q.x, q.y});
        }
    }
    if (edges.empty()) return;
    std::sort(edges.begin(), edges.end(), [](const Edge& e, const Edge& f) { return e.y0 < f.y0; });
    int64_t top = std::max<int64_t>(0, edges.front().y0 >> kFixedShift), bottom = 0;
    for (const Edge& e : edges) bottom = std::max(bottom, e.y1);
    bottom = std::min<int64_t>(image_.height - 1, bottom >> kFixedShift);
    const int64_t right = int64_t{image_.width} << kFixedShift;
    std::vector<const Edge*> active;
    std::vector<int64_t> crossings;
    std::size_t next = 0;
    for (int64_t row = top; row <= bottom; ++row) {
        if (!budget_.Take(int64_t(active.size()) * kSubRows + image_.width / 8 + 1)) return;
        std::fill(partial_.begin(), partial_.end(), 0);
        std::fill(runs_.begin(), runs_.end(), 0);
        bool any = false;
        for (int sub = 0; sub < kSubRows; ++sub) {
            const int64_t y = (row << kFixedShift) + (2 * sub + 1) * kFixedOne / (2 * kSubRows);
            while (next < edges.size() && edges[next].y0 <= y) active.push_back(&edges[next++]);
            std::erase_if(active, [y](const Edge* e) { return e->y1 <= y; });
            crossings.clear();
            for (const Edge* e : active) {
                if (e->y0 > y) continue;
                const int64_t x = e->x0 + (e->x1 - e->x0) * (y - e->y0) / (e->y1 - e->y0);
                crossings.push_back(std::clamp<int64_t>(x, 0, right));
            }
            std::sort(crossings.begin(), crossings.end());
            for (std::size_t i = 0; i + 1 < crossings.size(); i += 2) {
                const int64_t xa = crossings[i], xb = crossings[i + 1];
                if (xa == xb) continue;
                any = true;
                const int64_t pa = xa >> kFixedShift, pb = xb >> kFixedShift;
                if (pa == pb) {
                    partial_[pa] += static_cast<int32_t>(xb - xa);
                    continue;
                }
                partial_[pa] += static_cast<int32_t>(kFixedOne - (xa & (kFixedOne - 1)));
                runs_[pa + 1] += kFixedOne;
                runs_[pb] -= kFixedOne;
                partial_[pb] += static_cast<int32_t>(xb & (kFixedOne - 1));
            }
        }
        if (!any) continue;
        int64_t run = 0;
        const Inker ink = Ink(colour);
        for (int x = 0; x < image_.width; ++x) {
            run += runs_[x];
            ink.Plot(x, row, (run + partial_[x]) / kSubRows);
        }
    }
}
