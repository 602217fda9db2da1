#pragma once
// --png: every thumbnail as a PNG file. Needs libpng, which a build may lack (MinGW).
#include <cstdint>
#include <vector>

#include "image/RgbaImage.h"
#include "preview/Preview.h"

bool PngConversionAvailable();

// A Ready preview's image (from ReadDrawingThumbnail) as PNG: a stored PNG unchanged, a BMP
// converted pixel for pixel, its rebuilt image released once decoded. Throws AppError for a
// bad BMP, std::runtime_error for an encoding failure.
std::vector<uint8_t> ImageAsPng(DrawingPreview&& preview);

// A drawn picture as PNG. Throws std::runtime_error for an encoding failure.
std::vector<uint8_t> RgbaAsPng(const RgbaImage& image);
