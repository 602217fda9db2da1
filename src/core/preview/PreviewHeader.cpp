// Finding the thumbnail in a DWG drawing. The fields read, all little-endian:
//
//   file offset 2    4 bytes  release code ("1012", "1014", ...), cut at the first zero
//   file offset 13   4 bytes  D, the file offset of the thumbnail directory
//   D + 20           1 byte   entry count; only a directory of exactly two entries is read
//   D + 30           1 byte   second entry's type (ignored: the second entry is the bitmap)
//   D + 31           4 bytes  S, file offset of the thumbnail
//   D + 35           4 bytes  L, its length
//   S                         a packed DIB: 40-byte info header, colour table, pixel rows;
//                             or, from release "1027" on, a complete PNG file
//
// The reads happen in this order, each at an absolute offset, so a damaged file fails at the
// first field that lies past its end and nothing after it is looked at. They go to the source
// one field at a time: the file is never read whole here.
#include <algorithm>
#include <array>

#include "preview/Preview.h"

namespace {

constexpr char kLowestRelease[] = "1012";
constexpr std::array<uint8_t, 8> kPngSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

std::string ReadReleaseCode(ByteSource& in) {
    std::array<uint8_t, 4> bytes{};
    in.Read(2, bytes);
    const auto end = std::find(bytes.begin(), bytes.end(), uint8_t{0});
    return std::string(bytes.begin(), end);
}

// Byte-wise unsigned comparison, a prefix sorting before the longer string.
bool IsBelowRange(const std::string& code) {
    const std::string lowest = kLowestRelease;
    return std::lexicographical_compare(
        code.begin(), code.end(), lowest.begin(), lowest.end(),
        [](char a, char b) { return static_cast<uint8_t>(a) < static_cast<uint8_t>(b); });
}

bool StartsWithPngSignature(ByteSource& in, uint32_t start) {
    if (!in.Fits(start, kPngSignature.size())) return false;
    std::array<uint8_t, kPngSignature.size()> bytes{};
    in.Read(start, bytes);
    return bytes == kPngSignature;
}

// A PNG thumbnail's size is in its IHDR chunk, the first after the signature (big-endian).
void ReadPngHeader(ByteSource& in, PreviewInfo& info) {
    const uint64_t s = info.bitmapStart;
    info.width = static_cast<int32_t>(in.U32BigEndian(s + 16));
    info.height = static_cast<int32_t>(in.U32BigEndian(s + 20));
    info.kind = ImageKind::Png;
}

void ReadDibHeader(ByteSource& in, PreviewInfo& info) {
    const uint64_t s = info.bitmapStart;
    info.width = in.I32(s + 4);
    info.height = in.I32(s + 8);
    uint64_t colors = in.U32(s + 32);
    if (colors == 0) {
        const uint16_t bitCount = in.U16(s + 14);
        colors = bitCount <= 8 ? uint64_t{1} << bitCount : 0;
    }
    const uint64_t pixelOffset = 54 + 4 * colors;
    // Only a damaged header announces a colour table this large; wrapping the offset would
    // hand the decoder a plausible but wrong image.
    if (pixelOffset > UINT32_MAX) throw AppError(ErrorKind::InvalidBitmap);
    info.colorCount = static_cast<uint32_t>(colors);
    info.pixelOffset = static_cast<uint32_t>(pixelOffset);
    info.kind = ImageKind::Bmp;
}

}  // namespace

PreviewOutcome ReadPreviewHeader(ByteSource& in, PreviewInfo& info) {
    info = PreviewInfo{};
    info.releaseCode = ReadReleaseCode(in);
    if (IsBelowRange(info.releaseCode)) return PreviewOutcome::BelowRange;

    const uint64_t directory = in.U32(13);
    if (in.U8(directory + 20) != 2) return PreviewOutcome::NoBitmap;
    in.U8(directory + 30);  // the entry's type, read in order but not compared
    info.bitmapStart = in.U32(directory + 31);
    info.bitmapLength = in.U32(directory + 35);

    if (StartsWithPngSignature(in, info.bitmapStart)) {
        ReadPngHeader(in, info);
    } else {
        ReadDibHeader(in, info);
    }
    return PreviewOutcome::Ready;
}

PreviewOutcome ReadPreviewHeader(std::span<const uint8_t> drawing, PreviewInfo& info) {
    MemorySource source(drawing);
    return ReadPreviewHeader(source, info);
}
