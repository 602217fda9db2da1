#pragma once
// A DXF drawing's stored picture (its THUMBNAILIMAGE) as the image file DWG thumbnails become:
// a packed DIB behind a BMP file header, black and white exchanged, or a PNG unchanged.
#include <cstdint>
#include <span>
#include <vector>

#include "preview/Preview.h"

// Fills `info` (size, kind, colour count) from the stored bytes and returns the image file.
// Throws AppError: InvalidBitmap for a DIB whose header cannot be read.
std::vector<uint8_t> StoredPictureImage(std::span<const uint8_t> stored, PreviewInfo& info);
