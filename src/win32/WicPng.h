#pragma once
// The platform's PNG decoder as the pixel pipeline's PngDecoder: stored thumbnails of
// release "1027" on, decoded by the imaging component. COM must be initialised on the
// calling thread (every shell host has it).
#include <cstdint>
#include <span>

#include "image/RgbaImage.h"

namespace win {

// Straight 8-bit RGBA, rows top-down. Throws PngError when the component cannot decode the
// bytes or the size is past RgbaSizeAcceptable, std::bad_alloc when memory runs out.
RgbaImage DecodePngWithWic(std::span<const uint8_t> file);

}  // namespace win
