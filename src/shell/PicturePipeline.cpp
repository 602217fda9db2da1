#include "PicturePipeline.h"

#include <utility>
#include <vector>

#include "AreaScale.h"
#include "DibToRgba.h"

RgbaImage ThumbnailPixels(DrawingPreview&& preview, PngDecoder decodePng) {
    // The rebuilt image goes as soon as it is decoded.
    const std::vector<uint8_t> file = std::move(preview.image);
    return preview.info.kind == ImageKind::Bmp ? BmpToRgba(file) : decodePng(file);
}

RgbaImage ThumbnailPicture(DrawingPreview&& preview, int limit, PngDecoder decodePng) {
    RgbaImage pixels = ThumbnailPixels(std::move(preview), decodePng);
    const Size2 fitted = FitWithin(pixels.width, pixels.height, limit);
    if (fitted == Size2{pixels.width, pixels.height}) return pixels;
    return ScaleByAreaAverage(std::move(pixels), fitted);
}
