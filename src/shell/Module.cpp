// Entry points of the in-process server: the class factory for our two handlers and the
// unload question. Registration is in Registration.cpp.
#include "Module.h"

#include <shlwapi.h>

#include <atomic>
#include <new>

#include "ClassIds.h"
#include "ComObject.h"
#include "ComResult.h"
#include "PreviewHandler.h"
#include "PreviewPane.h"
#include "ThumbnailHandler.h"

namespace shell {

namespace {

HINSTANCE g_instance = nullptr;
std::atomic<long> g_references{0};

using Creator = HRESULT (*)(REFIID, void**);

class ClassFactory final : public ComObject<IClassFactory> {
  public:
    explicit ClassFactory(Creator create) : create_(create) {}

    IFACEMETHODIMP QueryInterface(REFIID iid, void** out) override {
        static const QITAB kInterfaces[] = {QITABENT(ClassFactory, IClassFactory), {}};
        return QISearch(this, kInterfaces, iid, out);
    }

    IFACEMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        return create_(iid, out);
    }
    IFACEMETHODIMP LockServer(BOOL lock) override {
        LockModule(lock != FALSE);
        return S_OK;
    }

  private:
    Creator create_;
};

}  // namespace

HINSTANCE DllInstance() { return g_instance; }

ModuleReference::ModuleReference() { ++g_references; }
ModuleReference::~ModuleReference() { --g_references; }

void LockModule(bool lock) {
    if (lock) {
        ++g_references;
    } else {
        --g_references;
    }
}

}  // namespace shell

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
    // Thread notifications stay on: the statically linked C++ runtime keeps thread-local
    // state of its own.
    if (reason == DLL_PROCESS_ATTACH) shell::g_instance = instance;
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    shell::Creator create = nullptr;
    if (clsid == shell::kThumbnailHandlerId) create = shell::CreateThumbnailHandler;
    if (clsid == shell::kPreviewHandlerId) create = shell::CreatePreviewHandler;
    if (!create) return CLASS_E_CLASSNOTAVAILABLE;
    auto* factory = new (std::nothrow) shell::ClassFactory(create);
    if (!factory) return E_OUTOFMEMORY;
    const HRESULT result = factory->QueryInterface(iid, out);
    factory->Release();
    return result;
}

STDAPI DllCanUnloadNow() {
    if (shell::g_references.load() != 0) return S_FALSE;
    shell::ReleasePaneClass();
    return S_OK;
}

}  // extern "C"
