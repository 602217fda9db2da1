#pragma once
// Preview extraction: finds the thumbnail a DWG drawing carries near its start and rebuilds
// a standalone image from it. Platform-free; failures are AppError with the system's texts.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "preview/ByteSource.h"

enum class PreviewOutcome { BelowRange, NoBitmap, Ready };

// What the thumbnail's bytes are: a packed DIB (rebuilt into a BMP file) or, from release
// "1027" on, a complete PNG file (handed on unchanged).
enum class ImageKind { Bmp, Png };

struct PreviewInfo {
    std::string releaseCode;    // at most four characters
    int32_t width = 0;          // thumbnail width in pixels
    int32_t height = 0;         // negative for a top-down bitmap
    uint32_t bitmapStart = 0;   // S: file offset of the thumbnail
    uint32_t bitmapLength = 0;  // L: its length in bytes
    uint32_t colorCount = 0;    // N: colour-table entries
    uint32_t pixelOffset = 0;   // 54 + 4 * N
    ImageKind kind = ImageKind::Bmp;
};

// Reads the release code, the thumbnail directory and the thumbnail's header fields.
// Throws AppError(ErrorKind::StreamRead) at the first field that lies past the end.
PreviewOutcome ReadPreviewHeader(ByteSource& drawing, PreviewInfo& info);
PreviewOutcome ReadPreviewHeader(std::span<const uint8_t> drawing, PreviewInfo& info);

// Wraps the thumbnail in a 14-byte BMP file header and exchanges black and white in its
// colour table. For a PNG thumbnail, returns the stored bytes unchanged. Reads the thumbnail
// straight into the image: the drawing itself is read whole only for L = 0.
std::vector<uint8_t> BuildBitmapStream(ByteSource& drawing, const PreviewInfo& info);
std::vector<uint8_t> BuildBitmapStream(std::span<const uint8_t> drawing, const PreviewInfo& info);

// The exchange BuildBitmapStream makes in a rebuilt BMP image's colour table: white entries
// become black and black ones white, nothing else changes. Done twice it gives back the
// stored table exactly. Returns how many entries it changed.
std::size_t ExchangeBlackAndWhite(std::span<uint8_t> image);

struct DrawingPreview {
    PreviewOutcome outcome = PreviewOutcome::BelowRange;
    PreviewInfo info;            // release code always; the rest with Ready
    std::vector<uint8_t> image;  // the complete rebuilt image with Ready
};

// Extracts the drawing's preview, reading only the header fields, the thumbnail directory and
// the thumbnail. Files are opened by the platform layer (OpenDrawingFile), which also offers
// both functions on a path.
DrawingPreview ReadDrawingPreview(ByteSource& drawing);

// ReadDrawingPreview for a reader that decodes the image (the viewer, the thumbnailer, PNG
// conversion): a length of 0 fails with AppError(ErrorKind::InvalidBitmap) straight after the
// header, reading nothing more, as decoding the whole drawing would. Behind a BMP file header
// the drawing's first four bytes are the information header's size, and their third is the
// release code's first, never 0 in range: no size the decoder knows. A PNG image decodes only
// when the drawing itself starts with the PNG signature (release code "NG\r\n"), and such a
// drawing is still read whole.
DrawingPreview ReadDrawingThumbnail(ByteSource& drawing);
