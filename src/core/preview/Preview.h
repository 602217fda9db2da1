#pragma once
// Preview extraction: finds the thumbnail a DWG drawing carries near its start and rebuilds
// a standalone image from it. Platform-free; failures are AppError with the system's texts.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

enum class PreviewOutcome { BelowRange, NoBitmap, Ready };

// What the thumbnail's bytes are: a packed DIB (rebuilt into a BMP file) or, from release
// "1027" on, a complete PNG file (handed on unchanged).
enum class ImageKind { Bmp, Png };

struct PreviewInfo {
    std::string releaseCode;     // at most four characters
    int32_t width = 0;           // thumbnail width in pixels
    int32_t height = 0;          // negative for a top-down bitmap
    uint32_t bitmapStart = 0;    // S: file offset of the thumbnail
    uint32_t bitmapLength = 0;   // L: its length in bytes
    uint32_t colorCount = 0;     // N: colour-table entries
    uint32_t pixelOffset = 0;    // 54 + 4 * N
    ImageKind kind = ImageKind::Bmp;
};

// Reads the release code, the thumbnail directory and the thumbnail's header fields.
// Throws AppError(msg::kStreamRead) at the first field that lies past the end.
PreviewOutcome ReadPreviewHeader(std::span<const uint8_t> drawing, PreviewInfo& info);

// Wraps the thumbnail in a 14-byte BMP file header and exchanges black and white in its
// colour table. For a PNG thumbnail, returns the stored bytes unchanged.
std::vector<uint8_t> BuildBitmapStream(std::span<const uint8_t> drawing, const PreviewInfo& info);

struct DrawingPreview {
    PreviewOutcome outcome = PreviewOutcome::BelowRange;
    PreviewInfo info;             // release code always; the rest with Ready
    std::vector<uint8_t> image;   // the complete rebuilt image with Ready
};

// Loads the drawing at `path` whole and extracts its preview.
DrawingPreview ReadDrawingPreview(const std::string& path);

// Reads a whole file, refusing one that another program holds open for writing.
// Throws AppError("ファイル <path> は開けません") or the stream-grow error.
std::vector<uint8_t> LoadWholeFile(const std::string& path);
