// The header reader's PNG path: a drawing whose thumbnail starts with the PNG signature is a
// PNG of the size its IHDR chunk gives, handed on byte for byte.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "FuzzCheck.h"
#include "PngThumbnailInput.h"
#include "preview/Preview.h"

namespace {

int32_t BigEndianAt(const std::vector<uint8_t>& bytes, std::size_t at) {
    return static_cast<int32_t>(static_cast<uint32_t>(bytes[at]) << 24 | bytes[at + 1] << 16 |
                                bytes[at + 2] << 8 | bytes[at + 3]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const DrawingBuilder builder = fuzz::PngDrawing(std::span<const uint8_t>(data, size));
    const std::vector<uint8_t> drawing = builder.Build();
    const std::vector<uint8_t> stored = builder.Thumbnail();
    const std::size_t start = builder.thumbnailOffset;

    PreviewInfo info;
    try {
        FUZZ_CHECK(ReadPreviewHeader(drawing, info) == PreviewOutcome::Ready);
    } catch (const AppError& error) {
        // Only a thumbnail too short for its IHDR sizes fails, and it fails as a short read.
        FUZZ_CHECK(fuzz::IsOneOf(error, {ErrorKind::StreamRead}));
        FUZZ_CHECK(start + 24 > drawing.size());
        return 0;
    }
    FUZZ_CHECK(info.kind == ImageKind::Png);
    FUZZ_CHECK(info.releaseCode == "1027" && info.bitmapStart == start);
    FUZZ_CHECK(info.width == BigEndianAt(drawing, start + 16));
    FUZZ_CHECK(info.height == BigEndianAt(drawing, start + 20));

    std::vector<uint8_t> image;
    try {
        image = BuildBitmapStream(drawing, info);
    } catch (const AppError& error) {
        FUZZ_CHECK(fuzz::IsOneOf(error, {ErrorKind::StreamRead}));
        FUZZ_CHECK(uint64_t{start} + info.bitmapLength > drawing.size());
        return 0;
    }
    if (info.bitmapLength == 0) {
        FUZZ_CHECK(image == drawing);  // a length of 0 takes the whole drawing
    } else {
        FUZZ_CHECK(image.size() == info.bitmapLength && info.bitmapLength <= stored.size());
        FUZZ_CHECK(std::equal(image.begin(), image.end(), stored.begin()));
    }
    return 0;
}
