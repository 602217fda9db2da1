#include "PngConvert.h"

#include <stdexcept>
#include <string>
#include <utility>

#include "PngCodec.h"
#include "image/ThumbnailPicture.h"

bool PngConversionAvailable() { return true; }

std::vector<uint8_t> ImageAsPng(DrawingPreview&& preview) {
    if (preview.info.kind == ImageKind::Png) return std::move(preview.image);
    std::vector<uint8_t> png;
    std::string error;
    if (!EncodePngToMemory(ThumbnailPixels(std::move(preview), DecodePngFitted), png, error)) {
        throw std::runtime_error(error);
    }
    return png;
}

std::vector<uint8_t> RgbaAsPng(const RgbaImage& image) {
    std::vector<uint8_t> png;
    std::string error;
    if (!EncodePngToMemory(image, png, error)) throw std::runtime_error(error);
    return png;
}
