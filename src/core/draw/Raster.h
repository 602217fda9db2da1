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
    // One colour blended over pixels with coverage 0-256; pixels outside are left alone.
    struct Inker {
        uint8_t* pixels;
        int64_t width, height;
        int32_t r, g, b;
        void Plot(int64_t x, int64_t y, int64_t coverage) const {
            if (static_cast<uint64_t>(x) >= static_cast<uint64_t>(width) ||
                static_cast<uint64_t>(y) >= static_cast<uint64_t>(height) || coverage <= 0) {
                return;
            }
            const int32_t a = coverage < 256 ? static_cast<int32_t>(coverage) : 256;
            uint8_t* p = pixels + (y * width + x) * 4;
            p[0] = static_cast<uint8_t>((p[0] * (256 - a) + r * a + 128) >> 8);
            p[1] = static_cast<uint8_t>((p[1] * (256 - a) + g * a + 128) >> 8);
            p[2] = static_cast<uint8_t>((p[2] * (256 - a) + b * a + 128) >> 8);
        }
    };
    Inker Ink(uint32_t colour) {
        return {image_.pixels.data(),
                image_.width,
                image_.height,
                static_cast<int32_t>(colour >> 16 & 255),
                static_cast<int32_t>(colour >> 8 & 255),
                static_cast<int32_t>(colour & 255)};
    }
    void Plot(int64_t x, int64_t y, int64_t coverage, uint32_t colour);

    RgbaImage image_;
    DrawBudget& budget_;
    std::vector<int32_t> partial_, runs_;  // a row's coverage while filling
};
