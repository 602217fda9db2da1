#pragma once
// Turns a BMP file into the pixels the viewer shows for it, through the core's BMP parser.
#include <cstdint>
#include <span>

#include "image/RgbaImage.h"

// Every depth and compression the parser accepts. The image is opaque: a 32-bit pixel's
// fourth byte is not alpha on screen. An index past the colour table shows black, and so do
// pixels a run-length image leaves out. Throws AppError as DecodeBmp does, and
// AppError(ErrorKind::InvalidBitmap) for a size past RgbaSizeAcceptable.
RgbaImage BmpToRgba(std::span<const uint8_t> file);
