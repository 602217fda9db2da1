// The main window's size for a thumbnail, and the release labels.
#include <gtest/gtest.h>

#include <climits>

#include "DisplayRules.h"

namespace {

using display::DrawingOuterSize;

void ExpectSize(const char* code, int32_t w, int32_t h, int outerW, int outerH) {
    const auto size = DrawingOuterSize(code, w, h);
    EXPECT_EQ(size.width, outerW) << code << " " << w << "x" << h;
    EXPECT_EQ(size.height, outerH) << code << " " << w << "x" << h;
}

TEST(ReleaseLabel, KnownCodesAndTheRest) {
    EXPECT_STREQ(display::ReleaseLabel("1012"), "ACAD R13,LT95");
    EXPECT_STREQ(display::ReleaseLabel("1014"), "ACAD R14,LT97,LT98");
    EXPECT_STREQ(display::ReleaseLabel("1015"), "ACAD R2000,LT2000");
    for (const char* other : {"1018", "1013", "101", "10150", "", "9999"}) {
        EXPECT_STREQ(display::ReleaseLabel(other), "unknon") << other;
    }
}

TEST(OuterSize, ScaledByOnePointFourExactly) {
    // 180 x 1.4 is 252 exactly; in binary floating point it would come out as 251.999...
    ExpectSize("1015", 180, 120, 252, 241);
    ExpectSize("1018", 216, 140, 302, 269);
    ExpectSize("1015", 184, 126, 257, 249);  // 257.6 and 176.4 truncated
    ExpectSize("1021", 672, 448, 940, 700);
    for (int32_t w = 0; w < 5000; ++w) {
        EXPECT_EQ(display::ScaleByOnePointFour(w), (w * 14) / 10);
    }
}

TEST(OuterSize, Release1012KeepsTheStoredWidth) {
    ExpectSize("1012", 180, 120, 180, 193);
    ExpectSize("1012", 216, 140, 216, 213);
}

TEST(OuterSize, NeverBelowTheMinimum) {
    ExpectSize("1012", 10, 10, 180, 173);
    ExpectSize("1015", 10, 10, 180, 173);
    ExpectSize("1015", 0, 0, 180, 173);
    // A top-down thumbnail: the negative product is truncated toward zero before the 73.
    ExpectSize("1015", 200, -120, 280, 173);
    ExpectSize("1012", 200, -120, 200, 173);
    EXPECT_EQ(display::ScaleByOnePointFour(-7), -9);  // -9.8 toward zero
}

TEST(OuterSize, HugeThumbnailsStayWithinTheCoordinateRange) {
    ExpectSize("1015", INT32_MAX, INT32_MAX, display::kMaxOuterExtent, display::kMaxOuterExtent);
    ExpectSize("1012", INT32_MAX, INT32_MAX, display::kMaxOuterExtent, display::kMaxOuterExtent);
    ExpectSize("1015", INT32_MIN, INT32_MIN, 180, 173);
}

}  // namespace
