#pragma once
// Parses an in-memory BMP file the way the viewer's decoder does, so the platform only has to
// make a bitmap from a checked header, colour table and pixel rows.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// Images of more pixels than this are refused as invalid. A thumbnail is a few hundred pixels
// a side, but rows the file does not hold are zero-filled, so without a cap a header of a few
// dozen bytes could demand a huge buffer here and a larger screen-depth bitmap in the viewer
// (and a thumbnailer decodes every file of a folder as it is browsed).
#ifndef ORTHOLUX_MAX_DIB_SIDE
#define ORTHOLUX_MAX_DIB_SIDE 2048
#endif
// The fuzz build lowers the side (the decoders' counters do not depend on it) so that libFuzzer
// spends its time on the data rather than on clearing and scaling 16 MiB buffers.
inline constexpr uint64_t kMaxDibPixels = uint64_t{ORTHOLUX_MAX_DIB_SIDE} * ORTHOLUX_MAX_DIB_SIDE;
// What the cap means for the rows: at most 4 bytes a pixel (32 bits, or a 1-pixel row padded).
// Run-length data is cut there too: no sane encoding spends more than 4 bytes a pixel (a
// 1-pixel-wide image: a 2-byte run and a 2-byte end of row), and the decoder's work and the
// viewer's copy stay bounded whatever the file announces.
inline constexpr std::size_t kMaxDibPixelBytes = kMaxDibPixels * 4;

struct DibImage {
    int32_t width = 0;
    int32_t height = 0;  // negative: top-down rows
    uint16_t bitCount = 0;
    uint32_t compression = 0;        // BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3
    std::vector<uint8_t> colors;     // colour table as BGRX quads (4 bytes an entry), <= 256
    std::vector<uint8_t> bitfields;  // 12 bytes of masks with BI_BITFIELDS
    // Uncompressed: the full pixel rows; bytes missing from the file are 0.
    // Run-length: the compressed bytes the file holds, up to the announced size.
    std::vector<uint8_t> pixels;
    // A BITMAPINFO (40-byte header, masks, colour table) for this image, byte for byte; its
    // image size is pixels.size() and its colours-used count the entries in `colors`.
    std::vector<uint8_t> BitmapInfo() const;
};

// Throws AppError(ErrorKind::InvalidBitmap) for a bad header (no "BM", planes != 1, unknown
// header size, bad depth, compression or sizes), AppError(ErrorKind::StreamRead) when the file
// header, information header, masks or colour table are cut short. Pixel data shorter than
// announced is not an error. The colour table has the colours-used count's entries, else 2, 16 or
// 256 for 1, 4 or 8 bits per pixel; a count above 256 is skipped whole in the file but only 256 are
// kept. The rows are read straight after the colour table; the file header's offset is not used.
DibImage DecodeBmp(std::span<const uint8_t> file);

// DecodeBmp without its copy of the rows, for readers that take the pixels where they lie:
// `image` gets everything but `pixels`, and the result, a part of `file`, holds the bytes
// DecodeBmp would copy. Uncompressed rows may be cut short there; what is missing reads as 0.
std::span<const uint8_t> DecodeBmpInPlace(std::span<const uint8_t> file, DibImage& image);
