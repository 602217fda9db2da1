#pragma once
// The main window's display rules that need no window: the release label shown for a
// drawing's release code, and the outer window size a thumbnail asks for.
// Platform-free, so it can be tested natively. Every length is designed for 96 dpi and
// scaled to the screen's setting.
#include <cstdint>
#include <string_view>

#include "DpiScale.h"

namespace display {

inline constexpr int kDesignOuterWidth = 257;
inline constexpr int kDesignOuterHeight = 211;
inline constexpr int kMinOuterWidth = 180;
inline constexpr int kMinOuterHeight = 173;
// The window never asks for more than the platform's coordinate range.
inline constexpr int kMaxOuterExtent = 32767;
// Caption, menu bar, status bar and frames: added to the thumbnail's (scaled) height.
inline constexpr int kHeightAllowance = 73;

// "ACAD R13,LT95" for "1012", "ACAD R14,LT97,LT98" for "1014", "ACAD R2000,LT2000" for
// "1015", "unknon" for any other code.
const char* ReleaseLabel(std::string_view releaseCode);

// The integer part of value x 1.4, exactly (toward zero, no floating point).
int64_t ScaleByOnePointFour(int32_t value);

// The integer part of value x 1.4 x dpi / 96, and of value x dpi / 96: a thumbnail's side
// on screen, exactly (toward zero; 96 gives the figures above).
int64_t ScaleThumbnailSide(int32_t value, int dpi);
int64_t ScaleStoredSide(int32_t value, int dpi);

struct OuterSize {
    int width = 0;
    int height = 0;
};

// The designed outer size and the minimum, at `dpi`.
OuterSize DesignOuterSize(int dpi);
OuterSize MinOuterSize(int dpi);

// The outer size a drawing's thumbnail gives the window: width x 1.4 and height x 1.4 + 73,
// except for release "1012", whose window is as wide as the thumbnail and its height + 73.
// At other settings each side and the 73 are scaled by dpi / 96, and so is the minimum.
// Each dimension is raised to the minimum and held within kMaxOuterExtent.
OuterSize DrawingOuterSize(std::string_view releaseCode, int32_t width, int32_t height,
                           int dpi = win::kDesignDpi);

// `wanted` held within `limit` (the work area of the window's monitor). Where it is larger,
// the image area -- the outer size less `frame`, the part that shows no image (caption, menu,
// status bar, borders) -- shrinks by one factor on both sides, so it keeps its aspect, until
// the whole window fits. Never below `minimum`; a size that fits is returned as it is.
OuterSize FitOuterSize(OuterSize wanted, OuterSize frame, OuterSize limit, OuterSize minimum);

// An outer dimension as the window takes it: at least `minimum`, at most kMaxOuterExtent.
int ClampOuterExtent(int64_t value, int minimum);

}  // namespace display
