#pragma once
// What every object the DLL hands out shares: a thread-safe reference count that deletes the
// object at zero and keeps the module loaded while it lives, and for the handlers the stream
// the host initialises them with. Each class still answers QueryInterface for its own list.
#include <windows.h>
#include <objbase.h>
#include <propsys.h>

#include <atomic>
#include <new>

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

    // The usual tail of QueryInterface: `found` (null when the interface is not ours) handed
    // out with a reference, or E_NOINTERFACE.
    HRESULT Answer(void* found, void** out) {
        *out = found;
        if (!found) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }

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
        if (stream_) return HRESULT_FROM_WIN32(ERROR_ALREADY_INITIALIZED);
        stream->AddRef();
        *stream_.Out() = stream;
        return S_OK;
    }

  protected:
    IStream* Stream() const { return stream_.Get(); }
    void ForgetStream() { stream_.Reset(); }

  private:
    win::ComPtr<IStream> stream_;
};

}  // namespace shell
