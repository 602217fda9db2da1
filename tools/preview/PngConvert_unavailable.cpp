// Builds without libpng: --png is refused as wrong usage before any drawing is read.
#include <stdexcept>

#include "PngConvert.h"

bool PngConversionAvailable() { return false; }

std::vector<uint8_t> ImageAsPng(DrawingPreview&&) {
    throw std::logic_error("this build cannot write PNG files");
}

std::vector<uint8_t> RgbaAsPng(const RgbaImage&) {
    throw std::logic_error("this build cannot write PNG files");
}
