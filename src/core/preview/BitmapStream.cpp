// Rebuilding a BMP file from the thumbnail. A drawing stores the bitmap without the 14-byte
// BMP file header, so the image is:
//
//   0   "BM"
//   2   L + 14            file size, 32 bits
//   6   0                 both reserved 16-bit fields
//   10  54 + 4 * N        pixel offset
//   14  the L thumbnail bytes from S, unchanged
//
// and then black and white are exchanged in its colour table: drawings store their thumbnail
// for a black drawing area, the viewer shows it on a light one.
#include <cstdint>
#include <new>
#include <stdexcept>

#include "ByteReader.h"
#include "preview/Preview.h"

namespace {

constexpr uint32_t kWhite = 0x00FFFFFF;
constexpr uint32_t kBlack = 0x00000000;
constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kColorTableOffset = 54;

void PutU32(std::span<uint8_t> out, std::size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

// How many bytes the thumbnail occupies. A length of 0 means the whole drawing, from its
// first byte: the counted copy takes "0" as "everything". A thumbnail that runs past the end
// of the drawing fails here, before any memory is taken for it.
uint64_t ThumbnailSize(const ByteSource& drawing, const PreviewInfo& info) {
    if (info.bitmapLength >= 0x80000000u) throw AppError(ErrorKind::RangeCheck);
    if (info.bitmapLength == 0) return drawing.Size();
    bytes::Require(drawing.Size(), info.bitmapStart, info.bitmapLength);
    return info.bitmapLength;
}

// Room for the image is had before anything is read. For L = 0 the image holds the whole
// drawing, and the failure is the one a drawing too large for memory always gives.
std::vector<uint8_t> AllocateImage(uint64_t size, const PreviewInfo& info) {
    const ErrorKind failure =
        info.bitmapLength == 0 ? ErrorKind::StreamGrow : ErrorKind::OutOfMemory;
    if (size > SIZE_MAX) throw AppError(failure);
    try {
        return std::vector<uint8_t>(static_cast<std::size_t>(size));
    } catch (const std::bad_alloc&) {
        throw AppError(failure);
    } catch (const std::length_error&) {
        throw AppError(failure);
    }
}

// Copies the thumbnail from the drawing into `out`, straight from S (from 0 for L = 0).
void ReadThumbnail(ByteSource& drawing, const PreviewInfo& info, std::span<uint8_t> out) {
    drawing.Read(info.bitmapLength == 0 ? 0 : info.bitmapStart, out);
}

// N again, from the image's own header: colours used at 46, else 2^bits for 8 bits or fewer.
uint64_t ColorTableEntries(const ByteReader& image) {
    if (!image.Fits(46, 4)) return 0;
    const uint32_t used = image.U32(46);
    if (used != 0) return used;
    const uint16_t bitCount = image.U16(28);
    return bitCount <= 8 ? uint64_t{1} << bitCount : 0;
}

}  // namespace

std::size_t ExchangeBlackAndWhite(std::span<uint8_t> image) {
    const ByteReader in(image);
    const uint64_t entries = ColorTableEntries(in);
    std::size_t exchanged = 0;
    for (uint64_t i = 0; i < entries; ++i) {
        const uint64_t at = kColorTableOffset + 4 * i;
        if (!in.Fits(at, 4)) break;
        const uint32_t color = in.U32(at);
        if (color == kWhite) {
            PutU32(image, at, kBlack);
        } else if (color == kBlack) {
            PutU32(image, at, kWhite);
        } else {
            continue;
        }
        ++exchanged;
    }
    return exchanged;
}

std::vector<uint8_t> BuildBitmapStream(ByteSource& drawing, const PreviewInfo& info) {
    const uint64_t length = ThumbnailSize(drawing, info);
    if (info.kind == ImageKind::Png) {
        auto png = AllocateImage(length, info);
        ReadThumbnail(drawing, info, png);
        return png;
    }

    auto image = AllocateImage(kFileHeaderSize + length, info);
    image[0] = 'B';
    image[1] = 'M';
    PutU32(image, 2, info.bitmapLength + kFileHeaderSize);
    PutU32(image, 6, 0);
    PutU32(image, 10, info.pixelOffset);
    ReadThumbnail(drawing, info, std::span(image).subspan(kFileHeaderSize));
    ExchangeBlackAndWhite(image);
    return image;
}

std::vector<uint8_t> BuildBitmapStream(std::span<const uint8_t> drawing, const PreviewInfo& info) {
    MemorySource source(drawing);
    return BuildBitmapStream(source, info);
}
