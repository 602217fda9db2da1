#pragma once
// Straight (not premultiplied) 8-bit RGBA pixels, rows top to bottom, 4 bytes a pixel.
#include <cstdint>
#include <vector>

struct RgbaImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;  // width * height * 4
};

// The largest side of a stored picture that thumbnails take: CAD programs store up to 2560
// a side. A damaged header must not become a huge allocation or hours of scaling. The fuzz
// build lowers it with the BMP parser's cap.
#ifndef ORTHOLUX_MAX_PICTURE_SIDE
#define ORTHOLUX_MAX_PICTURE_SIDE 4096
#endif
inline constexpr int kMaxPictureSide = ORTHOLUX_MAX_PICTURE_SIDE;

// Width and height each 1 to kMaxPictureSide.
bool RgbaSizeAcceptable(int64_t width, int64_t height);
