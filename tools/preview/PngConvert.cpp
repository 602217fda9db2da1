#include "PngConvert.h"

#include <stdexcept>
#include <string>

#include "PngCodec.h"
#include "PreviewImage.h"

bool PngConversionAvailable() { return true; }

std::vector<uint8_t> ImageAsPng(const DrawingPreview& preview) {
    if (preview.info.kind == ImageKind::Png) return preview.image;
    std::vector<uint8_t> png;
    std::string error;
    if (!EncodePngToMemory(PreviewPixels(preview), png, error)) throw std::runtime_error(error);
    return png;
}
