#include "image/DrawingPicture.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "draw/DxfPicture.h"
#include "draw/StoredPicture.h"

namespace {

PictureOutcome OutcomeOf(PreviewOutcome outcome) {
    switch (outcome) {
        case PreviewOutcome::BelowRange:
            return PictureOutcome::BelowRange;
        case PreviewOutcome::NoBitmap:
            return PictureOutcome::NoBitmap;
        case PreviewOutcome::Ready:
            break;
    }
    return PictureOutcome::Stored;
}

}  // namespace

DrawingPicture ReadDrawingPicture(ByteSource& drawing, const PictureRequest& request) {
    DrawingPicture result;
    if (!LooksLikeDxf(drawing)) {
        result.preview =
            request.decodes ? ReadDrawingThumbnail(drawing) : ReadDrawingPreview(drawing);
        result.outcome = OutcomeOf(result.preview.outcome);
        return result;
    }
    result.dxf = true;
    if (request.dxfLimit != 0 && drawing.Size() > request.dxfLimit) {
        result.outcome = PictureOutcome::TooLarge;
        return result;
    }
    DrawRequest draw;
    draw.width = std::clamp(request.size, 1, kMaxPictureSide);
    DxfPicture picture = DxfPictureOf(drawing, draw);
    if (!picture.stored.empty()) {
        result.preview.outcome = PreviewOutcome::Ready;
        result.preview.info.releaseCode = std::move(picture.releaseCode);
        result.preview.image = StoredPictureImage(picture.stored, result.preview.info);
        result.outcome = PictureOutcome::Stored;
        return result;
    }
    result.preview.info.releaseCode = std::move(picture.releaseCode);
    if (picture.drawn) {
        result.drawn = std::move(picture.drawn);
        result.outcome = PictureOutcome::Drawn;
    } else {
        result.outcome = PictureOutcome::Empty;
    }
    return result;
}

RgbaImage DrawingPixels(DrawingPicture&& picture, int limit, PngDecoder decodePng) {
    if (picture.outcome == PictureOutcome::Drawn && picture.drawn) {
        RgbaImage pixels = std::move(*picture.drawn);
        picture.drawn.reset();
        return FitPicture(std::move(pixels), limit);
    }
    return limit > 0 ? ThumbnailPicture(std::move(picture.preview), limit, decodePng)
                     : ThumbnailPixels(std::move(picture.preview), decodePng);
}

uint64_t DxfLimitFromMebibytes(uint64_t mebibytes) {
    constexpr uint64_t kMost = std::numeric_limits<uint64_t>::max();
    return mebibytes > (kMost >> 20) ? kMost : mebibytes << 20;
}
