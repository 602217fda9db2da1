// A BMP file as the viewer's decoder reads it (integers little-endian):
//   0   "BM", file size (4), reserved (4), pixel offset (4: not used, see below)
//   14  information header, its size first: 40 (BITMAPINFOHEADER), 108 or 124 (V4, V5: only
//       their first 40 bytes count), or 12 (BITMAPCOREHEADER: 16-bit width and height)
//   54  with BI_BITFIELDS, three 4-byte colour masks (after a 40-byte header; the V4 and V5
//       headers hold them at the same place)
//   then the colour table, 4 bytes an entry (blue, green, red, 0), 3 with the core header
//   then the pixel rows, each padded to 4 bytes, read straight after the colour table.
#include "bitmap/Dib.h"

#include <algorithm>

#include "ByteReader.h"
#include "Error.h"

namespace {

constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kV4HeaderSize = 108;
constexpr uint32_t kV5HeaderSize = 124;
constexpr uint32_t kMaskBytes = 12;
constexpr uint32_t kMaxKeptColors = 256;

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiRle8 = 1;
constexpr uint32_t kBiRle4 = 2;
constexpr uint32_t kBiBitfields = 3;

[[noreturn]] void Invalid() { throw AppError(ErrorKind::InvalidBitmap); }

bool IsKnownDepth(uint16_t bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

bool CompressionFits(uint32_t compression, uint16_t bits) {
    switch (compression) {
        case kBiRgb:
            return true;
        case kBiRle8:
            return bits == 8;
        case kBiRle4:
            return bits == 4;
        case kBiBitfields:
            return bits == 16 || bits == 32;
        default:
            return false;
    }
}

struct Header {
    uint32_t size = 0;
    uint16_t planes = 0;
    uint32_t sizeImage = 0;
    uint32_t colorsUsed = 0;
};

Header ReadInfoHeader(const ByteReader& in, DibImage& image) {
    Header header;
    header.size = in.U32(kFileHeaderSize);
    const uint64_t at = kFileHeaderSize;
    if (header.size == kCoreHeaderSize) {
        in.Bytes(at, kCoreHeaderSize);
        image.width = in.U16(at + 4);
        image.height = in.U16(at + 6);
        header.planes = in.U16(at + 8);
        image.bitCount = in.U16(at + 10);
        image.compression = kBiRgb;
        return header;
    }
    if (header.size != kInfoHeaderSize && header.size != kV4HeaderSize &&
        header.size != kV5HeaderSize) {
        Invalid();
    }
    in.Bytes(at, header.size);
    image.width = in.I32(at + 4);
    image.height = in.I32(at + 8);
    header.planes = in.U16(at + 12);
    image.bitCount = in.U16(at + 14);
    image.compression = in.U32(at + 16);
    header.sizeImage = in.U32(at + 20);
    header.colorsUsed = in.U32(at + 32);
    return header;
}

// Bytes of the uncompressed rows, once the pixel count is within kMaxDibPixels (width and rows
// are below 2^32 each, so their product cannot wrap).
std::size_t PixelBytes(const DibImage& image) {
    const uint64_t width = static_cast<uint64_t>(image.width);
    const uint64_t rows =
        image.height < 0 ? -static_cast<int64_t>(image.height) : static_cast<int64_t>(image.height);
    if (width * rows > kMaxDibPixels) Invalid();
    const uint64_t stride = (width * image.bitCount + 31) / 32 * 4;
    return static_cast<std::size_t>(stride * rows);
}

void AppendU16(std::vector<uint8_t>& out, uint16_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void AppendU32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

}  // namespace

std::span<const uint8_t> DecodeBmpInPlace(std::span<const uint8_t> file, DibImage& image) {
    image = DibImage{};
    const ByteReader in(file);
    const auto fileHeader = in.Bytes(0, kFileHeaderSize);
    if (fileHeader[0] != 'B' || fileHeader[1] != 'M') Invalid();

    const Header header = ReadInfoHeader(in, image);
    if (header.planes != 1 || !IsKnownDepth(image.bitCount) ||
        !CompressionFits(image.compression, image.bitCount) || image.width <= 0 ||
        image.height == 0) {
        Invalid();
    }
    const bool rle = image.compression == kBiRle8 || image.compression == kBiRle4;
    if (rle && image.height < 0) Invalid();  // run-length images are always bottom-up
    const std::size_t rowBytes = PixelBytes(image);

    uint64_t pos = kFileHeaderSize + header.size;
    if (image.compression == kBiBitfields) {
        const auto masks = in.Bytes(kFileHeaderSize + kInfoHeaderSize, kMaskBytes);
        image.bitfields.assign(masks.begin(), masks.end());
        if (header.size == kInfoHeaderSize) pos += kMaskBytes;
    }

    // A count above 256 is read past whole, so the rows are found where the header puts them,
    // but only the first 256 entries are kept: no depth indexes more.
    const bool core = header.size == kCoreHeaderSize;
    const uint64_t entries = header.colorsUsed != 0 ? header.colorsUsed
                             : image.bitCount <= 8  ? uint64_t{1} << image.bitCount
                                                    : 0;
    const uint64_t entrySize = core ? 3 : 4;
    const auto table = in.Bytes(pos, entries * entrySize);
    const uint64_t kept = std::min<uint64_t>(entries, kMaxKeptColors);
    image.colors.reserve(static_cast<std::size_t>(kept * 4));
    for (uint64_t i = 0; i < kept; ++i) {
        const auto entry = table.subspan(static_cast<std::size_t>(i * entrySize), 3);
        image.colors.insert(image.colors.end(), entry.begin(), entry.end());
        image.colors.push_back(core ? 0 : table[static_cast<std::size_t>(i * entrySize + 3)]);
    }
    pos += entries * entrySize;

    const std::size_t available =
        pos < file.size() ? file.size() - static_cast<std::size_t>(pos) : 0;
    const auto rest = file.subspan(file.size() - available);
    // Compressed rows: the announced length or what the file holds, whichever is less, and
    // never more than the cap.
    const std::size_t wanted =
        rle ? std::min<std::size_t>(header.sizeImage != 0 ? header.sizeImage : available,
                                    kMaxDibPixelBytes)
            : rowBytes;
    return rest.first(std::min(wanted, available));
}

DibImage DecodeBmp(std::span<const uint8_t> file) {
    DibImage image;
    const auto present = DecodeBmpInPlace(file, image);
    const bool rle = image.compression == kBiRle8 || image.compression == kBiRle4;
    if (rle) {
        image.pixels.assign(present.begin(), present.end());
    } else {
        image.pixels.assign(PixelBytes(image), 0);
        std::copy(present.begin(), present.end(), image.pixels.begin());
    }
    return image;
}

std::vector<uint8_t> DibImage::BitmapInfo() const {
    std::vector<uint8_t> info;
    info.reserve(40 + bitfields.size() + colors.size());
    AppendU32(info, 40);
    AppendU32(info, static_cast<uint32_t>(width));
    AppendU32(info, static_cast<uint32_t>(height));
    AppendU16(info, 1);
    AppendU16(info, bitCount);
    AppendU32(info, compression);
    AppendU32(info, static_cast<uint32_t>(pixels.size()));
    AppendU32(info, 0);
    AppendU32(info, 0);
    AppendU32(info, static_cast<uint32_t>(colors.size() / 4));
    AppendU32(info, 0);
    info.insert(info.end(), bitfields.begin(), bitfields.end());
    info.insert(info.end(), colors.begin(), colors.end());
    return info;
}
