#pragma once
// The pixel pipeline the handlers share with the Linux thumbnailer, until the core carries it
// (src/core/image): the same BMP decoder and scaler, the PNG decoder handed in.
#include <cstdint>
#include <span>

#include "PreviewImage.h"  // PngError
#include "RgbaImage.h"
#include "preview/Preview.h"

using PngDecoder = RgbaImage (*)(std::span<const uint8_t> file);

// A Ready preview's pixels at their stored size.
RgbaImage ThumbnailPixels(DrawingPreview&& preview, PngDecoder decodePng);
// The same fitted into a `limit` square, aspect kept, never enlarged, area-averaged.
RgbaImage ThumbnailPicture(DrawingPreview&& preview, int limit, PngDecoder decodePng);
