#pragma once
// A drawing's thumbnail as pixels, the way the viewer shows it.
#include <stdexcept>

#include "RgbaImage.h"
#include "preview/Preview.h"

// A PNG the system's own decoder cannot read (the text is libpng's).
class PngError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The rebuilt image of a Ready preview: a BMP already has black and white exchanged, a PNG
// is shown as stored. The image is taken from `preview` and released once decoded, so the
// pixels never share memory with it for longer. Throws AppError for a bad BMP, PngError for
// a bad PNG.
RgbaImage PreviewPixels(DrawingPreview&& preview);
