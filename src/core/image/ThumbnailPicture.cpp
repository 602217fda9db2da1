#include "image/ThumbnailPicture.h"

#include <utility>

#include "image/AreaScale.h"
#include "image/DibToRgba.h"

RgbaImage ThumbnailPixels(DrawingPreview&& preview, PngDecoder decodePng) {
    const std::vector<uint8_t> file = std::move(preview.image);
    preview.image.clear();  // a moved-from vector is only unspecified
    if (preview.info.kind == ImageKind::Png) return decodePng(file);
    return BmpToRgba(file);
}

RgbaImage ThumbnailPicture(DrawingPreview&& preview, int limit, PngDecoder decodePng) {
    RgbaImage pixels = ThumbnailPixels(std::move(preview), decodePng);
    const Size2 fitted = FitWithin(pixels.width, pixels.height, limit);
    if (fitted == Size2{pixels.width, pixels.height}) return pixels;
    return ScaleByAreaAverage(std::move(pixels), fitted);
}
