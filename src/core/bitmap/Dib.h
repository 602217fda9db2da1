#pragma once
// Parses an in-memory BMP file the way the viewer's decoder does, so the platform only has to
// make a bitmap from a checked header, colour table and pixel rows.
#include <cstdint>
#include <span>
#include <vector>

struct DibImage {
    int32_t width = 0;
    int32_t height = 0;              // negative: top-down rows
    uint16_t bitCount = 0;
    uint32_t compression = 0;        // BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3
    std::vector<uint8_t> colors;     // colour table as BGRX quads (4 bytes an entry)
    std::vector<uint8_t> bitfields;  // 12 bytes of masks with BI_BITFIELDS
    std::vector<uint8_t> pixels;     // the full pixel rows; bytes missing from the file are 0
    // A BITMAPINFO (40-byte header, masks, colour table) for this image, byte for byte.
    std::vector<uint8_t> BitmapInfo() const;
};

// Throws AppError(kInvalidBitmap) for a bad header (no "BM", planes != 1, unknown header size,
// bad depth or sizes), AppError(kStreamRead) when the header or colour table is cut short.
// Pixel data shorter than announced is not an error.
DibImage DecodeBmp(std::span<const uint8_t> file);
