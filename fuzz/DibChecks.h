#pragma once
// What a decoded BMP image must satisfy whatever bytes it came from; shared by the BMP and the
// drawing targets.
#include <cstdint>
#include <vector>

#include "FuzzCheck.h"
#include "bitmap/Dib.h"

namespace fuzz {

inline constexpr std::size_t kRoundTripBytes = std::size_t{1} << 20;

inline uint32_t Le32(const std::vector<uint8_t>& bytes, std::size_t at) {
    return static_cast<uint32_t>(bytes[at]) | static_cast<uint32_t>(bytes[at + 1]) << 8 |
           static_cast<uint32_t>(bytes[at + 2]) << 16 | static_cast<uint32_t>(bytes[at + 3]) << 24;
}

// A BMP file holding exactly what BitmapInfo() describes: decoding it must give the image back.
inline std::vector<uint8_t> Rewrapped(const DibImage& image) {
    const std::vector<uint8_t> info = image.BitmapInfo();
    std::vector<uint8_t> file(14, 0);
    file[0] = 'B';
    file[1] = 'M';
    file.insert(file.end(), info.begin(), info.end());
    file.insert(file.end(), image.pixels.begin(), image.pixels.end());
    return file;
}

inline void CheckDecoded(const DibImage& image) {
    FUZZ_CHECK(image.width > 0 && image.height != 0);
    const uint64_t rows = image.height < 0 ? -int64_t{image.height} : image.height;
    FUZZ_CHECK(uint64_t{static_cast<uint32_t>(image.width)} * rows <= kMaxDibPixels);
    FUZZ_CHECK(image.colors.size() % 4 == 0 && image.colors.size() <= 256 * 4);
    FUZZ_CHECK(image.bitfields.empty() || image.bitfields.size() == 12);
    FUZZ_CHECK(image.bitfields.empty() == (image.compression != 3));
    FUZZ_CHECK(image.pixels.size() <= kMaxDibPixelBytes);
    if (image.compression == 0 || image.compression == 3) {
        const uint64_t stride =
            (uint64_t{static_cast<uint32_t>(image.width)} * image.bitCount + 31) / 32 * 4;
        FUZZ_CHECK(image.pixels.size() == stride * rows);
    }

    const std::vector<uint8_t> info = image.BitmapInfo();
    FUZZ_CHECK(info.size() == 40 + image.bitfields.size() + image.colors.size());
    FUZZ_CHECK(Le32(info, 20) == image.pixels.size());
    FUZZ_CHECK(Le32(info, 32) * 4 == image.colors.size());

    // Re-decoding megabytes of zero-filled rows would halve the executions a second for little
    // gain: the round trip is checked on the images small enough to come from real thumbnails.
    if (image.pixels.size() > kRoundTripBytes) return;
    const DibImage again = DecodeBmp(Rewrapped(image));
    FUZZ_CHECK(again.width == image.width && again.height == image.height);
    FUZZ_CHECK(again.bitCount == image.bitCount && again.compression == image.compression);
    FUZZ_CHECK(again.colors == image.colors && again.bitfields == image.bitfields);
    FUZZ_CHECK(again.pixels == image.pixels);
}

}  // namespace fuzz
