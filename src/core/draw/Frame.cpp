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

Box2 ViewRegion(double centreX, double centreY, double height, double aspect) {
    Box2 box;
    const double half = height / 2, halfWidth = height * aspect / 2;
    box.Add(centreX - halfWidth, centreY - half);
    box.Add(centreX + halfWidth, centreY + half);
    return box;
}
