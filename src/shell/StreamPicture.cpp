#include "StreamPicture.h"

#include <optional>
#include <utility>

#include "ComResult.h"
#include "StreamSource.h"
#include "WicPng.h"

namespace shell {

HRESULT ReadStreamPicture(IStream* stream, int limit, StreamPicture& picture) noexcept {
    uint64_t size = 0;
    const HRESULT sized = win::StreamSize(stream, size);
    if (FAILED(sized)) return sized;
    std::optional<win::StreamSource> source;
    try {
        source.emplace(stream, size);
        DrawingPreview preview = ReadDrawingThumbnail(*source);
        if (preview.outcome != PreviewOutcome::Ready) return kNothingToShow;
        picture.kind = preview.info.kind;
        picture.releaseCode = preview.info.releaseCode;
        picture.pixels = limit > 0
                             ? ThumbnailPicture(std::move(preview), limit, win::DecodePngWithWic)
                             : ThumbnailPixels(std::move(preview), win::DecodePngWithWic);
        return S_OK;
    } catch (...) {
        return ResultOfCurrentException(source ? source->StreamFailure() : S_OK);
    }
}

}  // namespace shell
