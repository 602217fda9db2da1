#include "RgbaBitmap.h"

#include <algorithm>
#include <new>

namespace win {

ScopedBitmap BgraSectionFromRgba(const RgbaImage& image) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = image.width;
    info.bmiHeader.biHeight = -image.height;  // top-down, as the image's rows lie
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    ScopedBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !bits) throw std::bad_alloc();
    const uint8_t* from = image.pixels.data();
    auto* to = static_cast<uint8_t*>(bits);
    const std::size_t count =
        std::min(image.pixels.size() / 4, std::size_t(image.width) * image.height);
    for (std::size_t i = 0; i < count; ++i, from += 4, to += 4) {
        to[0] = from[2];
        to[1] = from[1];
        to[2] = from[0];
        to[3] = from[3];
    }
    return bitmap;
}

}  // namespace win
