#include "Frame.h"

#include <algorithm>
#include <cmath>

#include "image/RgbaImage.h"

namespace {

// The share of the picture the framed region fills along its tighter side.
constexpr double kFill = 0.94;
// The smallest region: a drawing of one point, or of coordinates so far out that their
// differences vanish, still gets a finite scale.
double MinimumSpan(const Box2& r) {
    const double far =
        std::max({std::fabs(r.x0), std::fabs(r.x1), std::fabs(r.y0), std::fabs(r.y1)});
    return std::max(1e-9, far * 1e-12);
}

int Side(double value) {
    if (!(value >= 1)) return 1;
    if (value >= kMaxPictureSide) return kMaxPictureSide;
    return static_cast<int>(std::floor(value + 0.5));
}

}  // namespace

Frame FrameFor(const Box2& region, int width, int height) {
    Frame frame;
    const double least = MinimumSpan(region);
    double w = region.x1 - region.x0, h = region.y1 - region.y0;
    if (!(w < 1e300)) w = 1e300;  // infinite spans: the scale is tiny, never zero
    if (!(h < 1e300)) h = 1e300;
    w = std::max(w, least), h = std::max(h, least);
    frame.centreX = region.x0 / 2 + region.x1 / 2;
    frame.centreY = region.y0 / 2 + region.y1 / 2;
    if (height <= 0) {
        const int longer = Side(width);
        frame.width = w >= h ? longer : Side(longer * (w / h));
        frame.height = w >= h ? Side(longer * (h / w)) : longer;
    } else {
        frame.width = Side(width), frame.height = Side(height);
    }
    frame.scale = kFill * std::min(frame.width / w, frame.height / h);
    return frame;
}

Frame FrameForView(const Box2& view, int width, int height) {
    Frame frame;
    const double least = MinimumSpan(view);
    const double w = std::max(view.x1 - view.x0, least), h = std::max(view.y1 - view.y0, least);
    if (height <= 0) {
        frame = FrameFor(view, width, 0);  // the view's own aspect
        frame.scale = std::min(frame.width / w, frame.height / h);
        frame.centreX = view.x0 / 2 + view.x1 / 2, frame.centreY = view.y0 / 2 + view.y1 / 2;
        return frame;
    }
    frame.width = Side(width), frame.height = Side(height);
    const double across = frame.width / w, up = frame.height / h;
    // Thumbnails of pictures wider than their view by more than this show its height.
    constexpr double kMuchWider = 1.2;
    frame.scale = across > kMuchWider * up ? up : across;
    frame.centreX = view.x0 + frame.width / (2 * frame.scale);
    frame.centreY = view.y0 + frame.height / (2 * frame.scale);
    return frame;
}

Box2 ViewRegion(double centreX, double centreY, double height, double aspect) {
    Box2 box;
    const double half = height / 2, halfWidth = height * aspect / 2;
    box.Add(centreX - halfWidth, centreY - half);
    box.Add(centreX + halfWidth, centreY + half);
    return box;
}
