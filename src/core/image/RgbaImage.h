#pragma once
// Straight (not premultiplied) 8-bit RGBA pixels, rows top to bottom, 4 bytes a pixel.
#include <cstdint>
#include <vector>

struct RgbaImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;  // width * height * 4
};

// Refuses sizes whose RGBA buffer would pass 16 MiB (kMaxDibPixels, 4 bytes each): a damaged
// header must not become a huge allocation. A thumbnail is a few hundred pixels wide.
bool RgbaSizeAcceptable(int64_t width, int64_t height);
