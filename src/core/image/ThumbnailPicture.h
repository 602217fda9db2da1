#pragma once
// A drawing's thumbnail as pixels, the way every thumbnail shows it: the Linux thumbnailer,
// PNG output and the Explorer handler all go through here, so they give the same pixels.
#include <cstdint>
#include <span>

#include "Error.h"  // PngError
#include "image/DibToRgba.h"
#include "image/RgbaImage.h"
#include "preview/Preview.h"

// Decodes a PNG file to straight (non-premultiplied) 8-bit RGBA, fitted into a `limit` square
// as FitPicture does (0: the stored size), or throws PngError, also for a side above
// kMaxPictureSide. PNG decoding is the platform's: libpng on Linux, WIC on Windows; each
// feeds its rows to an AreaScaler, so a large picture is never held whole to be scaled.
using PngDecoder = RgbaImage (*)(std::span<const uint8_t> file, int limit);

// The colour of a picture's ground: the one more than half of its border pixels (the outer
// rows and columns) have. Lines seldom reach the edge of a thumbnail; its ground does.
enum class Ground { Black, White, Other };
Ground GroundOf(const RgbaImage& image);
Ground GroundOf(const BorderCount& border);

// The picture of a Ready preview as thumbnails show it: a BMP opaque, a PNG as stored with its
// alpha. Drawings store a thumbnail for a black drawing area, and the rebuilt BMP has black and
// white exchanged in its colour table for a light one; here that exchange stays only where the
// stored picture's ground is black, so no picture comes out darker than it is stored. A white
// ground (or any other) keeps the stored colours. Images of 16 bits or more have no colour
// table and come out as the rebuilt image shows them. The image is taken from `preview` and
// released once decoded, so the pixels never share memory with it for longer. Throws AppError for a
// bad BMP, PngError for a bad PNG.
RgbaImage ThumbnailPixels(DrawingPreview&& preview, PngDecoder decodePng);

// The same, fitted into a `limit` square (FitPicture); 0 keeps the stored size.
RgbaImage ThumbnailPicture(DrawingPreview&& preview, int limit, PngDecoder decodePng);

// `pixels` fitted into a `limit` square (FitWithin, then ScaleByAreaAverage in the pixels' own
// buffer), never enlarged; `limit` 0 keeps them as they are.
RgbaImage FitPicture(RgbaImage pixels, int limit);
