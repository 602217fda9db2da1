#pragma once
// Builds BMP files byte by byte for the decoder's tests.
#include <algorithm>
#include <cstdint>
#include <numeric>
#include <vector>

namespace bmptest {

using Bytes = std::vector<uint8_t>;

inline void Put16(Bytes& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
inline void Put32(Bytes& out, uint32_t v) {
    for (int s = 0; s < 32; s += 8) out.push_back(static_cast<uint8_t>(v >> s));
}
inline uint32_t Get32(const Bytes& in, std::size_t at) {
    return in[at] | in[at + 1] << 8 | in[at + 2] << 16 | static_cast<uint32_t>(in[at + 3]) << 24;
}

inline Bytes Sequence(std::size_t n, uint8_t start = 1) {
    Bytes b(n);
    std::iota(b.begin(), b.end(), start);
    return b;
}

struct Bmp {
    uint32_t headerSize = 40;
    int32_t width = 2;
    int32_t height = 2;
    uint16_t planes = 1;
    uint16_t bits = 24;
    uint32_t compression = 0;
    uint32_t sizeImage = 0;
    uint32_t colorsUsed = 0;
    uint32_t pixelOffset = 0;  // 0: where the rows really start
    Bytes masks;               // after a 40-byte header, inside a V4/V5 one
    Bytes table;               // raw colour-table bytes
    Bytes pixels;

    Bytes Build() const {
        Bytes info;
        Put32(info, headerSize);
        if (headerSize == 12) {
            Put16(info, static_cast<uint16_t>(width));
            Put16(info, static_cast<uint16_t>(height));
            Put16(info, planes);
            Put16(info, bits);
        } else {
            Put32(info, static_cast<uint32_t>(width));
            Put32(info, static_cast<uint32_t>(height));
            Put16(info, planes);
            Put16(info, bits);
            Put32(info, compression);
            Put32(info, sizeImage);
            Put32(info, 2835);
            Put32(info, 2835);
            Put32(info, colorsUsed);
            Put32(info, 0);
            info.insert(info.end(), masks.begin(), masks.end());
            if (headerSize <= 124) info.resize(std::max<std::size_t>(info.size(), headerSize), 0);
        }
        Bytes file{'B', 'M'};
        const auto start = static_cast<uint32_t>(14 + info.size() + table.size());
        Put32(file, static_cast<uint32_t>(start + pixels.size()));
        Put32(file, 0);
        Put32(file, pixelOffset != 0 ? pixelOffset : start);
        file.insert(file.end(), info.begin(), info.end());
        file.insert(file.end(), table.begin(), table.end());
        file.insert(file.end(), pixels.begin(), pixels.end());
        return file;
    }
};

// A 2 x 2 24-bit image: two rows of 6 bytes, each padded to 8.
inline Bmp Rgb24() {
    Bmp bmp;
    bmp.pixels = Sequence(16);
    return bmp;
}

// A 2 x 2 8-bit image with `colorsUsed` table entries (256 for 0).
inline Bmp Indexed8(uint32_t colorsUsed = 0) {
    Bmp bmp;
    bmp.bits = 8;
    bmp.colorsUsed = colorsUsed;
    bmp.table = Sequence(4 * std::size_t{colorsUsed != 0 ? colorsUsed : 256}, 7);
    bmp.pixels = {1, 2, 0, 0, 3, 4, 0, 0};
    return bmp;
}

}  // namespace bmptest
