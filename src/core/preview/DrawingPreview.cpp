#include <array>

#include "preview/Preview.h"

namespace {

constexpr std::array<uint8_t, 8> kPngSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// Whether an image that is the whole drawing could decode: only as a PNG file, which the
// drawing's release code already half shows.
bool WholeDrawingMayDecode(ByteSource& drawing, const PreviewInfo& info) {
    if (info.kind != ImageKind::Png || info.releaseCode != "NG\r\n") return false;
    std::array<uint8_t, kPngSignature.size()> head{};
    drawing.Read(0, head);
    return head == kPngSignature;
}

}  // namespace

DrawingPreview ReadDrawingPreview(ByteSource& drawing) {
    DrawingPreview result;
    result.outcome = ReadPreviewHeader(drawing, result.info);
    if (result.outcome == PreviewOutcome::Ready) {
        result.image = BuildBitmapStream(drawing, result.info);
    }
    return result;
}

DrawingPreview ReadDrawingThumbnail(ByteSource& drawing) {
    DrawingPreview result;
    result.outcome = ReadPreviewHeader(drawing, result.info);
    if (result.outcome != PreviewOutcome::Ready) return result;
    if (result.info.bitmapLength == 0 && !WholeDrawingMayDecode(drawing, result.info)) {
        throw AppError(ErrorKind::InvalidBitmap);
    }
    result.image = BuildBitmapStream(drawing, result.info);
    return result;
}
