#pragma once
// PNG in and out through libpng: thumbnails are read row by row, the rest through libpng's
// simplified interface.
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "image/RgbaImage.h"

// Decodes any PNG to straight 8-bit RGBA (gamma and colour type converted by libpng). On
// failure returns false and says why in `error`.
bool DecodePng(std::span<const uint8_t> file, RgbaImage& image, std::string& error);

// The core's PngDecoder: the same pixels as DecodePng, fitted into a `limit` square (0: the
// stored size) by an AreaScaler as libpng hands over the rows, so only an interlaced picture
// is ever held whole. Throws PngError, also for a side above kMaxPictureSide, and
// std::bad_alloc.
RgbaImage DecodePngFitted(std::span<const uint8_t> file, int limit);

// How hard the encoder compresses: the same pixels either way.
enum class PngEffort {
    Smaller,  // libpng's defaults: every row filter tried, zlib's default level
    Faster,   // fewer filters and a lower level, for many thumbnails at once (the contact sheet)
};

// Writes `image` as an 8-bit RGBA PNG to `out`. On failure returns false with `error`.
bool EncodePng(const RgbaImage& image, std::FILE* out, std::string& error,
               PngEffort effort = PngEffort::Smaller);

// The same PNG into memory.
bool EncodePngToMemory(const RgbaImage& image, std::vector<uint8_t>& out, std::string& error);
