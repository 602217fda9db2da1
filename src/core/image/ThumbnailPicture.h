#pragma once
// A drawing's thumbnail as pixels, the way every thumbnail shows it: the Linux thumbnailer,
// PNG output and the Explorer handler all go through here, so they give the same pixels.
#include <cstdint>
#include <span>

#include "Error.h"  // PngError
#include "image/RgbaImage.h"
#include "preview/Preview.h"

// Decodes a PNG file to straight (non-premultiplied) 8-bit RGBA, or throws PngError. PNG
// decoding is the platform's: libpng on Linux, WIC on Windows.
using PngDecoder = RgbaImage (*)(std::span<const uint8_t> file);

// The colour of a picture's ground: the one more than half of its border pixels (the outer
// rows and columns) have. Lines seldom reach the edge of a thumbnail; its ground does.
enum class Ground { Black, White, Other };
Ground GroundOf(const RgbaImage& image);

// The picture of a Ready preview as thumbnails show it: a BMP opaque, a PNG as stored with its
// alpha. Drawings store a thumbnail for a black drawing area, and the rebuilt BMP has black and
// white exchanged in its colour table for a light one; here that exchange stays only where the
// stored picture's ground is black, so no picture comes out darker than it is stored. A white
// ground (or any other) keeps the stored colours. Images of 16 bits or more have no colour
// table and come out as the rebuilt image shows them. The image is taken from `preview` and
// released once decoded, so the pixels never share memory with it for longer. Throws AppError for a
// bad BMP, PngError for a bad PNG.
RgbaImage ThumbnailPixels(DrawingPreview&& preview, PngDecoder decodePng);

// The same, fitted into a `limit` square (FitWithin, then ScaleByAreaAverage in the pixels'
// own buffer); never enlarged.
RgbaImage ThumbnailPicture(DrawingPreview&& preview, int limit, PngDecoder decodePng);
