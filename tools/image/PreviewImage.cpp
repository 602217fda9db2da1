#include "PreviewImage.h"

#include <utility>

#include "DibToRgba.h"
#include "PngCodec.h"

RgbaImage PreviewPixels(DrawingPreview&& preview) {
    const std::vector<uint8_t> file = std::move(preview.image);
    if (preview.info.kind == ImageKind::Bmp) return BmpToRgba(file);
    RgbaImage image;
    std::string error;
    if (!DecodePng(file, image, error)) throw PngError("damaged PNG thumbnail: " + error);
    return image;
}
