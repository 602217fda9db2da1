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

OuterSize DrawingOuterSize(std::string_view releaseCode, int32_t width, int32_t height) {
    if (releaseCode == "1012") {
        return {ClampOuterExtent(width, kMinOuterWidth),
                ClampOuterExtent(int64_t{height} + kHeightAllowance, kMinOuterHeight)};
    }
    return {ClampOuterExtent(ScaleByOnePointFour(width), kMinOuterWidth),
            ClampOuterExtent(ScaleByOnePointFour(height) + kHeightAllowance, kMinOuterHeight)};
}

}  // namespace display
