#pragma once
// Pixels handed to a shell host: a 32-bit top-down DIB section, blue-green-red-alpha, alpha
// left straight as the image holds it.
#include "image/RgbaImage.h"
#include "Scoped.h"

namespace win {

// Throws std::bad_alloc when the system cannot make the section.
ScopedBitmap BgraSectionFromRgba(const RgbaImage& image);

}  // namespace win
