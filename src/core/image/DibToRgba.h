#pragma once
// Turns a BMP file into the pixels the viewer shows for it, through the core's BMP parser.
#include <cstdint>
#include <span>

#include "image/RgbaImage.h"

// Every depth and compression the parser accepts. The image is opaque: a 32-bit pixel's
// fourth byte is not alpha on screen. An index past the colour table shows black, and so do
// pixels a run-length image leaves out. Throws AppError as DecodeBmp does, and
// AppError(ErrorKind::InvalidBitmap) for a size past RgbaSizeAcceptable (a side above
// kMaxPictureSide).
RgbaImage BmpToRgba(std::span<const uint8_t> file);

// The border pixels (outer rows and columns, each once) of what BmpToRgba would give, counted
// without an image: how many, how many black, how many white. Throws as BmpToRgba does.
struct BorderCount {
    uint64_t border = 0;
    uint64_t black = 0;
    uint64_t white = 0;
};
BorderCount BmpBorder(std::span<const uint8_t> file);
