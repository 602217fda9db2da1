#include "StreamPicture.h"

#include <optional>
#include <utility>

#include "ComResult.h"
#include "StreamSource.h"
#include "WicPng.h"

namespace shell {

uint64_t DxfLimit() {
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        DWORD mebibytes = 0;
        DWORD size = sizeof mebibytes;
        if (RegGetValueA(root, "Software\\Ortholux", "DxfLimitMB", RRF_RT_REG_DWORD, nullptr,
                         &mebibytes, &size) == ERROR_SUCCESS) {
            // 0 reads none: a limit of one byte lets no drawing through.
            return mebibytes == 0 ? 1 : DxfLimitFromMebibytes(mebibytes);
        }
    }
    return kDefaultDxfLimitBytes;
}

HRESULT ReadStreamPicture(IStream* stream, int limit, StreamPicture& picture,
                          int drawSize) noexcept {
    uint64_t size = 0;
    const HRESULT sized = win::StreamSize(stream, size);
    if (FAILED(sized)) return sized;
    std::optional<win::StreamSource> source;
    try {
        source.emplace(stream, size);
        PictureRequest request;
        request.size = drawSize > 0 ? drawSize : limit > 0 ? limit : request.size;
        request.dxfLimit = DxfLimit();
        DrawingPicture read = ReadDrawingPicture(*source, request);
        if (read.outcome != PictureOutcome::Stored && read.outcome != PictureOutcome::Drawn) {
            return kNothingToShow;
        }
        // Drawn pictures are opaque.
        picture.kind =
            read.outcome == PictureOutcome::Drawn ? ImageKind::Bmp : read.preview.info.kind;
        picture.releaseCode = read.preview.info.releaseCode;
        picture.pixels = DrawingPixels(std::move(read), limit, win::DecodePngWithWic);
        return S_OK;
    } catch (...) {
        return ResultOfCurrentException(source ? source->StreamFailure() : S_OK);
    }
}

}  // namespace shell
