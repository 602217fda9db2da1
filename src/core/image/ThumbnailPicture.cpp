#include "image/ThumbnailPicture.h"

#include <utility>

#include "bitmap/Dib.h"
#include "image/AreaScale.h"
#include "image/DibToRgba.h"

namespace {

bool Is(const uint8_t* p, uint8_t level) { return p[0] == level && p[1] == level && p[2] == level; }

// Whether the pixels are colour-table indices. Fails as BmpToRgba would, before any pixels.
bool Paletted(std::span<const uint8_t> file) {
    DibImage header;
    DecodeBmpInPlace(file, header);
    return header.bitCount <= 8;
}

// The BMP with the exchange kept or undone, decoded once. Only a colour table's entries were
// exchanged: exchanging them again gives the stored colours exactly, and the stored picture's
// ground is read from its border alone.
RgbaImage BmpPixels(std::vector<uint8_t>& file) {
    if (Paletted(file) && ExchangeBlackAndWhite(file) != 0 &&
        GroundOf(BmpBorder(file)) == Ground::Black) {
        ExchangeBlackAndWhite(file);
    }
    return BmpToRgba(file);
}

}  // namespace

Ground GroundOf(const BorderCount& count) {
    if (count.black * 2 > count.border) return Ground::Black;
    if (count.white * 2 > count.border) return Ground::White;
    return Ground::Other;
}

Ground GroundOf(const RgbaImage& image) {
    if (image.width <= 0 || image.height <= 0) return Ground::Other;
    const auto width = static_cast<std::size_t>(image.width);
    const auto height = static_cast<std::size_t>(image.height);
    if (image.pixels.size() / 4 / width < height) return Ground::Other;
    BorderCount border;
    auto count = [&](std::size_t x, std::size_t y) {
        const uint8_t* p = image.pixels.data() + (y * width + x) * 4;
        ++border.border;
        border.black += Is(p, 0);
        border.white += Is(p, 255);
    };
    // Each border pixel once, also for images one pixel wide or high.
    for (std::size_t x = 0; x < width; ++x) {
        count(x, 0);
        if (height > 1) count(x, height - 1);
    }
    for (std::size_t y = 1; y + 1 < height; ++y) {
        count(0, y);
        if (width > 1) count(width - 1, y);
    }
    return GroundOf(border);
}

RgbaImage ThumbnailPixels(DrawingPreview&& preview, PngDecoder decodePng) {
    return ThumbnailPicture(std::move(preview), 0, decodePng);
}

RgbaImage ThumbnailPicture(DrawingPreview&& preview, int limit, PngDecoder decodePng) {
    std::vector<uint8_t> file = std::move(preview.image);
    preview.image.clear();  // a moved-from vector is only unspecified
    // A PNG is scaled by its decoder as the rows come; a BMP is whole anyway (its ground).
    if (preview.info.kind == ImageKind::Png) return decodePng(file, limit);
    RgbaImage pixels = BmpPixels(file);
    file = std::vector<uint8_t>{};  // one image at a time
    return FitPicture(std::move(pixels), limit);
}

RgbaImage FitPicture(RgbaImage pixels, int limit) {
    if (limit <= 0) return pixels;
    const Size2 fitted = FitWithin(pixels.width, pixels.height, limit);
    if (fitted == Size2{pixels.width, pixels.height}) return pixels;
    return ScaleByAreaAverage(std::move(pixels), fitted);
}
