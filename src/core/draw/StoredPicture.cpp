#include "draw/StoredPicture.h"

#include <algorithm>

#include "ByteReader.h"

std::vector<uint8_t> StoredPictureImage(std::span<const uint8_t> stored, PreviewInfo& info) {
    static constexpr uint8_t kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    const ByteReader in(stored);
    info.bitmapStart = 0;
    info.bitmapLength = static_cast<uint32_t>(std::min<std::size_t>(stored.size(), 0xFFFFFFFF));
    if (stored.size() >= 24 && std::equal(kPng, kPng + 8, stored.begin())) {
        info.kind = ImageKind::Png;
        info.width = static_cast<int32_t>(in.U32BigEndian(16));
        info.height = static_cast<int32_t>(in.U32BigEndian(20));
        return {stored.begin(), stored.end()};
    }
    if (!in.Fits(0, 40)) throw AppError(ErrorKind::InvalidBitmap);
    const uint32_t headerSize = in.U32(0);
    if (headerSize < 40 || headerSize > 124) throw AppError(ErrorKind::InvalidBitmap);
    info.kind = ImageKind::Bmp;
    info.width = in.I32(4);
    info.height = in.I32(8);
    const uint16_t bits = in.U16(14);
    const uint32_t used = in.U32(32);
    info.colorCount = used != 0 ? used : bits <= 8 ? 1u << bits : 0;
    if (info.colorCount > 256) throw AppError(ErrorKind::InvalidBitmap);
    info.pixelOffset = 14 + headerSize + 4 * info.colorCount;
    return BuildBitmapStream(stored, info);
}
