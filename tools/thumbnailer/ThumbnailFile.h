#pragma once
// Writing the thumbnail so that OUTPUT is either the complete PNG or left as it was.
#include <string>

#include "image/RgbaImage.h"

// Encodes `image` into a temporary file beside `output` and renames it over `output`. On
// failure the temporary file is removed and `error` says why.
bool WritePngReplacing(const std::string& output, const RgbaImage& image, std::string& error);
