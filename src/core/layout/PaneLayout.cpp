#include "layout/PaneLayout.h"

#include <algorithm>
#include <cstdint>

namespace layout {

Box FitPicture(int pictureWidth, int pictureHeight, int paneWidth, int paneHeight, int lineHeight) {
    const int64_t areaWidth = paneWidth;
    const int64_t areaHeight = int64_t{paneHeight} - std::max(lineHeight, 0);
    if (pictureWidth <= 0 || pictureHeight <= 0 || areaWidth <= 0 || areaHeight <= 0) return {};
    // Every product of two int values fits 64 bits; the results are at most the area's sides.
    int64_t width = areaWidth;
    int64_t height = areaHeight;
    if (areaWidth * pictureHeight <= areaHeight * pictureWidth) {
        height =
            (int64_t{pictureHeight} * areaWidth * 2 + pictureWidth) / (2 * int64_t{pictureWidth});
    } else {
        width =
            (int64_t{pictureWidth} * areaHeight * 2 + pictureHeight) / (2 * int64_t{pictureHeight});
    }
    width = std::clamp<int64_t>(width, 1, areaWidth);
    height = std::clamp<int64_t>(height, 1, areaHeight);
    return {static_cast<int>((areaWidth - width) / 2), static_cast<int>((areaHeight - height) / 2),
            static_cast<int>(width), static_cast<int>(height)};
}

Box TextLine(int paneWidth, int paneHeight, int lineHeight) {
    if (paneWidth <= 0 || paneHeight <= 0 || lineHeight <= 0) return {};
    const int height = std::min(lineHeight, paneHeight);
    return {0, paneHeight - height, paneWidth, height};
}

}  // namespace layout
