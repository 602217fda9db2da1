#pragma once
// Anti-aliased drawing into an RgbaImage in integer arithmetic only: coordinates come in as
// pixel positions in 24.8 fixed point, so that the pixels depend on nothing but those
// integers. Lines are Wu lines (one pixel wide, each column or row shared between the two
// pixels nearest the line); areas are filled even-odd with four subscanlines a row and exact
// horizontal coverage.
#include <cstdint>
#include <span>
#include <vector>

#include "draw/DrawBudget.h"
#include "image/RgbaImage.h"

inline constexpr int kFixedShift = 8;
inline constexpr int64_t kFixedOne = 1 << kFixedShift;

struct FixedPoint {
    int64_t x = 0, y = 0;
};

// A picture's pixels in 24.8 fixed point. Positions further out than this lie far past any
// picture and have been clipped before: converting them clamps.
inline constexpr double kFixedLimit = double(int64_t{1} << 30);
FixedPoint ToFixed(double x, double y);

class Canvas {
  public:
    Canvas(int width, int height, uint32_t ground, DrawBudget& budget);

    int Width() const { return image_.width; }
    int Height() const { return image_.height; }

    // A segment between two points (pixel units, 24.8); equal points give a dot.
    void Line(FixedPoint a, FixedPoint b, uint32_t colour);
    // Rings (each a closed list of points) filled even-odd.
    void Fill(std::span<const std::vector<FixedPoint>> rings, uint32_t colour);

    RgbaImage Take() { return std::move(image_); }
    const RgbaImage& Image() const { return image_; }

  private:
    // Blends `colour` over a pixel with coverage 0-256; pixels outside are left alone.
    void Plot(int64_t x, int64_t y, int64_t coverage, uint32_t colour);

    RgbaImage image_;
    DrawBudget& budget_;
    std::vector<int32_t> partial_, runs_;  // a row's coverage while filling
};
