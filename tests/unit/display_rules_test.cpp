// The main window's size for a thumbnail, and the release labels.
#include <gtest/gtest.h>

#include <climits>
#include <string_view>
#include <utility>

#include "DisplayRules.h"
#include "ReleaseName.h"

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

// A crafted code comes out as the tools print it: 1, LF, ESC, "\".
TEST(ReleaseName, AsPeopleNameItAndTheCodeOtherwise) {
    const std::pair<std::string_view, const char*> names[] = {
        {"1012", "R13 (AC1012)"},
        {"1015", "R2000 (AC1015)"},
        {"1032", "R2018 (AC1032)"},
        {"1009", "R11/R12 (AC1009)"},
        {"1002", "R2.5 (AC1002)"},
        {"1013", "unknown (1013)"},
        {"", "unknown ()"},
        {"\x90}\xFF", "unknown (\x90}\xFF)"},
        {"1\n\x1B\\", "unknown (1\\x0A\\x1B\\x5C)"}};
    for (const auto& [code, name] : names) EXPECT_EQ(display::ReleaseName(code), name) << code;
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

TEST(FitOuterSize, ShrinksTheImageAreaByOneFactorUntilTheWindowFits) {
    using display::FitOuterSize;
    using display::OuterSize;
    const OuterSize screen{1280, 1024};
    const OuterSize minimum{270, 260};
    const auto expect = [](OuterSize got, int width, int height) {
        EXPECT_EQ(got.width, width);
        EXPECT_EQ(got.height, height);
    };
    // What fits stays, up to the work area's own size.
    expect(FitOuterSize({940, 700}, {12, 73}, screen, minimum), 940, 700);
    expect(FitOuterSize({1280, 1024}, {12, 73}, screen, minimum), 1280, 1024);
    // A 670 x 448 thumbnail at 144 dpi: the width has the less room. Image area 1391 x 940
    // becomes 1264 x 854 (940 x 1264 / 1391 = 854.2).
    expect(FitOuterSize({1407, 1050}, {16, 110}, screen, minimum), 1280, 964);
    // Too high only: the height sets the factor, 890 x 924 / 1400 = 587.4.
    expect(FitOuterSize({900, 1500}, {10, 100}, screen, minimum), 597, 1024);
    // A work area below the minimum: the minimum wins.
    expect(FitOuterSize({400, 400}, {10, 100}, {150, 150}, minimum), 270, 260);
    // The largest the sizing rule gives (image 32751 x 32657: 32751 x 914 / 32657 = 916.6),
    // and a frame larger than the work area.
    const OuterSize most{display::kMaxOuterExtent, display::kMaxOuterExtent};
    expect(FitOuterSize(most, {16, 110}, screen, minimum), 932, 1024);
    expect(FitOuterSize(most, {2000, 2000}, screen, minimum), 1280, 1024);
}

}  // namespace

// ---- other dpi settings ----

namespace {

TEST(DpiScale, DesignedLengthsRoundToTheNearestPixel) {
    for (int v = -500; v <= 5000; ++v) EXPECT_EQ(win::ScaleToDpi(v, 96), v);
    EXPECT_EQ(win::ScaleToDpi(257, 144), 386);  // 385.5, halves away from zero
    EXPECT_EQ(win::ScaleToDpi(211, 144), 317);
    EXPECT_EQ(win::ScaleToDpi(20, 144), 30);
    EXPECT_EQ(win::ScaleToDpi(12, 144), 18);
    EXPECT_EQ(win::ScaleToDpi(257, 120), 321);  // 321.25
    EXPECT_EQ(win::ScaleToDpi(-7, 144), -11);   // -10.5
    EXPECT_EQ(win::ScaleToDpi(100, 0), 100);    // setting not known
    EXPECT_EQ(win::ScaleToDpi(INT32_MAX / 2, 192), INT32_MAX - 1);
}

TEST(DpiScale, WindowSizesAt144) {
    const auto design = display::DesignOuterSize(144);
    EXPECT_EQ(design.width, 386);
    EXPECT_EQ(design.height, 317);
    const auto minimum = display::MinOuterSize(144);
    EXPECT_EQ(minimum.width, 270);
    EXPECT_EQ(minimum.height, 260);  // 259.5

    // 180 x 1.4 x 1.5 = 378; 120 x 2.1 = 252, + 73 x 1.5 (109.5 -> 110).
    auto size = DrawingOuterSize("1015", 180, 120, 144);
    EXPECT_EQ(size.width, 378);
    EXPECT_EQ(size.height, 362);
    size = DrawingOuterSize("1012", 180, 120, 144);
    EXPECT_EQ(size.width, 270);
    EXPECT_EQ(size.height, 290);
    size = DrawingOuterSize("1012", 10, 10, 144);  // the scaled minimum
    EXPECT_EQ(size.width, 270);
    EXPECT_EQ(size.height, 260);
    size = DrawingOuterSize("1015", 200, -120, 144);
    EXPECT_EQ(size.width, 420);
    EXPECT_EQ(size.height, 260);
}

TEST(DpiScale, ThumbnailSidesAreTruncatedOnceNotTwice) {
    // 1 x 1.4 x 1.5 = 2.1; truncating after the 1.4 first would give 1.
    EXPECT_EQ(display::ScaleThumbnailSide(1, 144), 2);
    EXPECT_EQ(display::ScaleThumbnailSide(-1, 144), -2);
    EXPECT_EQ(display::ScaleThumbnailSide(3, 120), 5);  // 5.25
    EXPECT_EQ(display::ScaleStoredSide(3, 120), 3);     // 3.75
    EXPECT_EQ(display::ScaleThumbnailSide(INT32_MAX, 480), int64_t{INT32_MAX} * 7);
}

TEST(DpiScale, At96TheSidesAreTodays) {
    for (int32_t v = -3000; v <= 3000; ++v) {
        ASSERT_EQ(display::ScaleThumbnailSide(v, 96), display::ScaleByOnePointFour(v)) << v;
        ASSERT_EQ(display::ScaleStoredSide(v, 96), v) << v;
    }
}

}  // namespace
