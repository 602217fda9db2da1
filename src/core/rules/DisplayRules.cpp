#include "DisplayRules.h"

#include <algorithm>

namespace display {

const char* ReleaseLabel(std::string_view releaseCode) {
    if (releaseCode == "1012") return "ACAD R13,LT95";
    if (releaseCode == "1014") return "ACAD R14,LT97,LT98";
    if (releaseCode == "1015") return "ACAD R2000,LT2000";
    return "unknon";
}

int64_t ScaleByOnePointFour(int32_t value) {
    // Integer division truncates toward zero, as the integer part of the product does;
    // in 64 bits the product cannot overflow.
    return int64_t{value} * 14 / 10;
}

int ClampOuterExtent(int64_t value, int minimum) {
    return static_cast<int>(std::clamp<int64_t>(value, minimum, kMaxOuterExtent));
}

int64_t ScaleThumbnailSide(int32_t value, int dpi) {
    if (dpi <= 0) dpi = win::kDesignDpi;
    // value x 14 x dpi / 960 in one division, so nothing is truncated twice.
    return int64_t{value} * 14 * dpi / (10 * win::kDesignDpi);
}

int64_t ScaleStoredSide(int32_t value, int dpi) {
    if (dpi <= 0) dpi = win::kDesignDpi;
    return int64_t{value} * dpi / win::kDesignDpi;
}

OuterSize DesignOuterSize(int dpi) {
    return {win::ScaleToDpi(kDesignOuterWidth, dpi), win::ScaleToDpi(kDesignOuterHeight, dpi)};
}

OuterSize MinOuterSize(int dpi) {
    return {win::ScaleToDpi(kMinOuterWidth, dpi), win::ScaleToDpi(kMinOuterHeight, dpi)};
}

OuterSize DrawingOuterSize(std::string_view releaseCode, int32_t width, int32_t height, int dpi) {
    const OuterSize minimum = MinOuterSize(dpi);
    const int allowance = win::ScaleToDpi(kHeightAllowance, dpi);
    if (releaseCode == "1012") {
        return {ClampOuterExtent(ScaleStoredSide(width, dpi), minimum.width),
                ClampOuterExtent(ScaleStoredSide(height, dpi) + allowance, minimum.height)};
    }
    return {ClampOuterExtent(ScaleThumbnailSide(width, dpi), minimum.width),
            ClampOuterExtent(ScaleThumbnailSide(height, dpi) + allowance, minimum.height)};
}

OuterSize FitOuterSize(OuterSize wanted, OuterSize frame, OuterSize limit, OuterSize minimum) {
    if (wanted.width <= limit.width && wanted.height <= limit.height) return wanted;
    // 64 bits: every product below is of two ints.
    const int64_t imageWidth = int64_t{wanted.width} - frame.width;
    const int64_t imageHeight = int64_t{wanted.height} - frame.height;
    const int64_t roomWidth = int64_t{limit.width} - frame.width;
    const int64_t roomHeight = int64_t{limit.height} - frame.height;
    int64_t width = std::min<int64_t>(wanted.width, limit.width);
    int64_t height = std::min<int64_t>(wanted.height, limit.height);
    if (imageWidth > 0 && imageHeight > 0 && roomWidth > 0 && roomHeight > 0) {
        // The side with less room for its length sets the factor; the other follows, toward
        // zero, so neither ever passes the limit.
        if (roomWidth * imageHeight <= roomHeight * imageWidth) {
            width = roomWidth + frame.width;
            height = imageHeight * roomWidth / imageWidth + frame.height;
        } else {
            height = roomHeight + frame.height;
            width = imageWidth * roomHeight / imageHeight + frame.width;
        }
    }
    return {ClampOuterExtent(width, minimum.width), ClampOuterExtent(height, minimum.height)};
}

}  // namespace display
