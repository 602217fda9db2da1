#pragma once
// A drawing's thumbnail as pixels, the way every thumbnail shows it: the Linux thumbnailer,
// PNG output and the Explorer handler all go through here, so they give the same pixels.
#include <cstdint>
#include <span>
#include <stdexcept>

#include "image/RgbaImage.h"
#include "preview/Preview.h"

// A PNG the platform's decoder cannot read (the text is the decoder's).
class PngError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Decodes a PNG file to straight (non-premultiplied) 8-bit RGBA, or throws PngError. PNG
// decoding is the platform's: libpng on Linux, WIC on Windows.
using PngDecoder = RgbaImage (*)(std::span<const uint8_t> file);

// The picture of a Ready preview as thumbnails show it: a BMP opaque, a PNG as stored with its
// alpha. The image is taken from `preview` and released once decoded, so the pixels never
// share memory with it for longer. Throws AppError for a bad BMP, PngError for a bad PNG.
RgbaImage ThumbnailPixels(DrawingPreview&& preview, PngDecoder decodePng);

// The same, fitted into a `limit` square (FitWithin, then ScaleByAreaAverage in the pixels'
// own buffer); never enlarged.
RgbaImage ThumbnailPicture(DrawingPreview&& preview, int limit, PngDecoder decodePng);
