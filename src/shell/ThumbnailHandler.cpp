// Initialised with a stream only: that is all the host gives a handler it runs in its
// isolated process. Each object reads its own stream; none shares state with another.
#include "ThumbnailHandler.h"

#include <shlwapi.h>
#include <shobjidl.h>
#include <thumbcache.h>

#include <algorithm>
#include <climits>

#include "ComObject.h"
#include "ComResult.h"
#include "RgbaBitmap.h"
#include "StreamPicture.h"

namespace shell {

namespace {

class ThumbnailHandler final : public ComObject<IThumbnailProvider, StreamInitialized> {
  public:
    IFACEMETHODIMP QueryInterface(REFIID iid, void** out) override {
        static const QITAB kInterfaces[] = {
            QITABENT(ThumbnailHandler, IThumbnailProvider),
            QITABENT(ThumbnailHandler, IInitializeWithStream),
            {},
        };
        return QISearch(this, kInterfaces, iid, out);
    }

    IFACEMETHODIMP GetThumbnail(UINT cx, HBITMAP* bitmap, WTS_ALPHATYPE* alpha) override {
        if (!bitmap || !alpha) return E_POINTER;
        *bitmap = nullptr;
        *alpha = WTSAT_UNKNOWN;
        if (!Stream()) return E_UNEXPECTED;
        if (cx == 0) return E_INVALIDARG;
        StreamPicture picture;
        const int limit = static_cast<int>(std::min<UINT>(cx, INT_MAX));
        const HRESULT result = ReadStreamPicture(Stream(), limit, picture);
        if (FAILED(result)) return result;
        try {
            *bitmap = win::BgraSectionFromRgba(picture.pixels).Release();
        } catch (...) {
            return ResultOfCurrentException();
        }
        // A BMP thumbnail is opaque; a PNG one keeps the alpha it stored.
        *alpha = picture.kind == ImageKind::Png ? WTSAT_ARGB : WTSAT_RGB;
        return S_OK;
    }
};

}  // namespace

HRESULT CreateThumbnailHandler(REFIID iid, void** out) {
    return CreateObject<ThumbnailHandler>(iid, out);
}

}  // namespace shell
