#include "image/DrawingPicture.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "Error.h"
#include "draw/DxfPicture.h"
#include "draw/StoredPicture.h"
#include "dwg/DwgModel.h"

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

std::optional<RgbaImage> DrawnDwg(ByteSource& drawing, int size, std::string* releaseCode) {
    try {
        if (!DwgModel::Reads(drawing)) return std::nullopt;
        DrawRequest draw;
        draw.width = std::clamp(size, 1, kMaxPictureSide);
        DxfPicture picture = DwgPictureOf(drawing, draw);
        if (releaseCode) *releaseCode = std::move(picture.releaseCode);
        return std::move(picture.drawn);
    } catch (const AppError&) {
        return std::nullopt;
    }
}

DrawingPicture ReadDrawingPicture(ByteSource& drawing, const PictureRequest& request) {
    DrawingPicture result;
    if (!LooksLikeDxf(drawing)) {
        const bool drawable = request.dxfLimit == 0 || drawing.Size() <= request.dxfLimit;
        try {
            result.preview =
                request.decodes ? ReadDrawingThumbnail(drawing) : ReadDrawingPreview(drawing);
        } catch (const AppError& error) {
            // A thumbnail that could never decode: the geometry, where it can be drawn.
            if (error.Kind() != ErrorKind::InvalidBitmap || !drawable) throw;
            std::optional<RgbaImage> drawn =
                DrawnDwg(drawing, request.size, &result.preview.info.releaseCode);
            if (!drawn) throw;
            result.preview.outcome = PreviewOutcome::NoBitmap;
            result.drawn = std::move(drawn);
            result.outcome = PictureOutcome::Drawn;
            return result;
        }
        result.outcome = OutcomeOf(result.preview.outcome);
        if (result.outcome == PictureOutcome::NoBitmap && drawable) {
            result.drawn = DrawnDwg(drawing, request.size);
            if (result.drawn) result.outcome = PictureOutcome::Drawn;
        }
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
