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

}  // namespace

Ground GroundOf(const RgbaImage& image) {
    if (image.width <= 0 || image.height <= 0) return Ground::Other;
    const auto width = static_cast<std::size_t>(image.width);
    const auto height = static_cast<std::size_t>(image.height);
    if (image.pixels.size() / 4 / width < height) return Ground::Other;
    uint64_t border = 0, black = 0, white = 0;
    auto count = [&](std::size_t x, std::size_t y) {
        const uint8_t* p = image.pixels.data() + (y * width + x) * 4;
        ++border;
        black += Is(p, 0);
        white += Is(p, 255);
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
    if (black * 2 > border) return Ground::Black;
    if (white * 2 > border) return Ground::White;
    return Ground::Other;
}

RgbaImage ThumbnailPixels(DrawingPreview&& preview, PngDecoder decodePng) {
    std::vector<uint8_t> file = std::move(preview.image);
    preview.image.clear();  // a moved-from vector is only unspecified
    if (preview.info.kind == ImageKind::Png) return decodePng(file);

    // Only a colour table's entries were exchanged. Exchanging them again gives the stored
    // colours exactly; pixels that show no entry (an index past the table, a pixel the runs
    // leave out) are black either way.
    if (!Paletted(file) || ExchangeBlackAndWhite(file) == 0) return BmpToRgba(file);
    RgbaImage stored = BmpToRgba(file);
    if (GroundOf(stored) != Ground::Black) return stored;
    stored = RgbaImage{};  // one image at a time
    ExchangeBlackAndWhite(file);
    return BmpToRgba(file);
}

RgbaImage ThumbnailPicture(DrawingPreview&& preview, int limit, PngDecoder decodePng) {
    RgbaImage pixels = ThumbnailPixels(std::move(preview), decodePng);
    const Size2 fitted = FitWithin(pixels.width, pixels.height, limit);
    if (fitted == Size2{pixels.width, pixels.height}) return pixels;
    return ScaleByAreaAverage(std::move(pixels), fitted);
}
