// Initialised with a stream only: that is all the host gives a handler it runs in its
// isolated process. Each object reads its own stream; none shares state with another.
#include "ThumbnailHandler.h"

#include <shobjidl.h>
#include <thumbcache.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <new>

#include "ComResult.h"
#include "Module.h"
#include "RgbaBitmap.h"
#include "Scoped.h"
#include "StreamPicture.h"

namespace shell {

namespace {

class ThumbnailHandler final : public IThumbnailProvider, public IInitializeWithStream {
  public:
    IFACEMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == IID_IUnknown || iid == __uuidof(IThumbnailProvider)) {
            *out = static_cast<IThumbnailProvider*>(this);
        } else if (iid == __uuidof(IInitializeWithStream)) {
            *out = static_cast<IInitializeWithStream*>(this);
        } else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    IFACEMETHODIMP_(ULONG) AddRef() override { return ++references_; }
    IFACEMETHODIMP_(ULONG) Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

    IFACEMETHODIMP Initialize(IStream* stream, DWORD) override {
        if (!stream) return E_INVALIDARG;
        if (stream_) return HRESULT_FROM_WIN32(ERROR_ALREADY_INITIALIZED);
        stream->AddRef();
        *stream_.Out() = stream;
        return S_OK;
    }

    IFACEMETHODIMP GetThumbnail(UINT cx, HBITMAP* bitmap, WTS_ALPHATYPE* alpha) override {
        if (!bitmap || !alpha) return E_POINTER;
        *bitmap = nullptr;
        *alpha = WTSAT_UNKNOWN;
        if (!stream_) return E_UNEXPECTED;
        if (cx == 0) return E_INVALIDARG;
        StreamPicture picture;
        const int limit = static_cast<int>(std::min<UINT>(cx, INT_MAX));
        const HRESULT result = ReadStreamPicture(stream_.Get(), limit, picture);
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

  private:
    ModuleReference module_;
    std::atomic<ULONG> references_{1};
    win::ComPtr<IStream> stream_;
};

}  // namespace

HRESULT CreateThumbnailHandler(REFIID iid, void** out) {
    auto* handler = new (std::nothrow) ThumbnailHandler();
    if (!handler) return E_OUTOFMEMORY;
    const HRESULT result = handler->QueryInterface(iid, out);
    handler->Release();
    return result;
}

}  // namespace shell
