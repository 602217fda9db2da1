#pragma once
// Where a drawing's geometry lands in its picture: the region framed (a saved view or the
// extents of what is drawn, in view coordinates) and the picture's size.
#include <limits>

struct Box2 {
    double x0 = std::numeric_limits<double>::infinity(), y0 = x0;
    double x1 = -std::numeric_limits<double>::infinity(), y1 = x1;
    bool Empty() const { return !(x0 <= x1 && y0 <= y1); }
    void Add(double x, double y) {
        if (!(x == x && y == y)) return;  // NaN
        x0 = x < x0 ? x : x0, x1 = x > x1 ? x : x1;
        y0 = y < y0 ? y : y0, y1 = y > y1 ? y : y1;
    }
    void Add(const Box2& b) {
        if (!b.Empty()) Add(b.x0, b.y0), Add(b.x1, b.y1);
    }
};

struct Frame {
    double centreX = 0, centreY = 0;
    double scale = 1;  // pixels per drawing unit
    int width = 1, height = 1;
    // Drawing units (view coordinates) to pixels, y down.
    double PixelX(double x) const { return (x - centreX) * scale + width / 2.0; }
    double PixelY(double y) const { return height / 2.0 - (y - centreY) * scale; }
};

// The frame of the extents `region` (width and height may be 0: a point or a line) in a
// picture of `width` x `height`, or of `width` for the longer side when `height` is 0: centred,
// with a small margin.
Frame FrameFor(const Box2& region, int width, int height);
// The frame of a saved view as CAD programs frame their thumbnails of it: the view's lower left
// corner at the picture's, its width across the picture's unless the picture is much wider
// than the view, then its height up the picture's; what lies past the view is shown too.
Frame FrameForView(const Box2& view, int width, int height);
// A saved view (centre, height, width/height) as a region: what a CAD program shows of it.
Box2 ViewRegion(double centreX, double centreY, double height, double aspect);
