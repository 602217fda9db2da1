#pragma once
// What every object the DLL hands out shares: a thread-safe reference count that deletes the
// object at zero and keeps the module loaded while it lives, and for the handlers the stream
// the host initialises them with. Each class answers QueryInterface from its own QITAB.
#include <windows.h>
#include <objbase.h>
#include <propsys.h>

#include <atomic>
#include <new>
#include <utility>

#include "Module.h"
#include "Scoped.h"

namespace shell {

// Derive from this with the object's interfaces: its AddRef and Release serve them all.
template <typename... Interfaces>
class ComObject : public Interfaces... {
  public:
    ComObject() = default;
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    IFACEMETHODIMP_(ULONG) AddRef() override { return ++references_; }
    IFACEMETHODIMP_(ULONG) Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

  protected:
    virtual ~ComObject() = default;

  private:
    ModuleReference module_;
    std::atomic<ULONG> references_{1};
};

// A new `Object` asked for `iid` at once, as a class factory hands it out.
template <typename Object>
HRESULT CreateObject(REFIID iid, void** out) {
    auto* object = new (std::nothrow) Object();
    if (!object) return E_OUTOFMEMORY;
    const HRESULT result = object->QueryInterface(iid, out);
    object->Release();
    return result;
}

// IInitializeWithStream for a handler: the host gives the stream once, before anything else.
class StreamInitialized : public IInitializeWithStream {
  public:
    IFACEMETHODIMP Initialize(IStream* stream, DWORD) override {
        if (!stream) return E_INVALIDARG;
        if (initialized_) return HRESULT_FROM_WIN32(ERROR_ALREADY_INITIALIZED);
        stream->AddRef();
        *stream_.Out() = stream;
        initialized_ = true;
        return S_OK;
    }

  protected:
    IStream* Stream() const { return stream_.Get(); }
    // The stream handed over for good; the handler stays initialised without it.
    win::ComPtr<IStream> TakeStream() { return std::move(stream_); }
    // Ready for the next Initialize.
    void Uninitialize() {
        stream_.Reset();
        initialized_ = false;
    }

  private:
    win::ComPtr<IStream> stream_;
    bool initialized_ = false;
};

}  // namespace shell
