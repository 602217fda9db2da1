// The host calls Initialize, SetWindow, DoPreview, then SetRect as the pane is resized, and
// Unload when another file is selected; all on one thread. Every method catches its own
// failures: a handler that fails leaves the pane empty and the host says so.
#include "PreviewHandler.h"

#include <ocidl.h>
#include <shobjidl.h>

#include <memory>
#include <optional>
#include <utility>

#include "ComObject.h"
#include "ComResult.h"
#include "PreviewPane.h"
#include "Scoped.h"

namespace shell {

namespace {

class PreviewHandler final : public ComObject<IPreviewHandler, StreamInitialized, IObjectWithSite,
                                              IOleWindow, IPreviewHandlerVisuals> {
  public:
    IFACEMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        void* found = nullptr;
        if (iid == IID_IUnknown || iid == IID_IPreviewHandler) {
            found = static_cast<IPreviewHandler*>(this);
        } else if (iid == IID_IInitializeWithStream) {
            found = static_cast<IInitializeWithStream*>(this);
        } else if (iid == IID_IObjectWithSite) {
            found = static_cast<IObjectWithSite*>(this);
        } else if (iid == IID_IOleWindow) {
            found = static_cast<IOleWindow*>(this);
        } else if (iid == IID_IPreviewHandlerVisuals) {
            found = static_cast<IPreviewHandlerVisuals*>(this);
        }
        return Answer(found, out);
    }

    // IPreviewHandler
    IFACEMETHODIMP SetWindow(HWND parent, const RECT* rect) override {
        if (!parent || !rect) return E_INVALIDARG;
        parent_ = parent;
        rect_ = *rect;
        if (pane_) pane_->Move(parent_, rect_);
        return S_OK;
    }
    IFACEMETHODIMP SetRect(const RECT* rect) override {
        if (!rect) return E_INVALIDARG;
        rect_ = *rect;
        if (pane_) pane_->Move(parent_, rect_);
        return S_OK;
    }
    IFACEMETHODIMP DoPreview() override {
        if (!Stream() || !parent_) return E_UNEXPECTED;
        if (pane_) return S_OK;  // already shown
        try {
            StreamPicture picture;
            const HRESULT result = ReadStreamPicture(Stream(), 0, picture);
            if (FAILED(result)) return result;
            auto pane = std::make_unique<PreviewPane>(std::move(picture));
            if (colours_) pane->SetColours(*colours_);
            if (font_) pane->SetFont(&*font_);
            if (!pane->Show(parent_, rect_)) return HRESULT_FROM_WIN32(GetLastError());
            pane_ = std::move(pane);
            return S_OK;
        } catch (...) {
            return ResultOfCurrentException();
        }
    }
    IFACEMETHODIMP Unload() override {
        pane_.reset();
        ForgetStream();
        return S_OK;
    }
    IFACEMETHODIMP SetFocus() override {
        if (!pane_ || !pane_->Window()) return S_FALSE;
        ::SetFocus(pane_->Window());
        return S_OK;
    }
    IFACEMETHODIMP QueryFocus(HWND* focused) override {
        if (!focused) return E_INVALIDARG;
        *focused = ::GetFocus();
        return *focused ? S_OK : HRESULT_FROM_WIN32(GetLastError());
    }
    // Keys the pane does not use go to the host's frame, so its shortcuts keep working.
    IFACEMETHODIMP TranslateAccelerator(MSG* message) override {
        if (!site_) return S_FALSE;
        win::ComPtr<IPreviewHandlerFrame> frame;
        if (FAILED(site_->QueryInterface(IID_IPreviewHandlerFrame, frame.OutVoid()))) {
            return S_FALSE;
        }
        return frame->TranslateAccelerator(message);
    }

    // IObjectWithSite
    IFACEMETHODIMP SetSite(IUnknown* site) override {
        site_.Reset();
        if (site) {
            site->AddRef();
            *site_.Out() = site;
        }
        return S_OK;
    }
    IFACEMETHODIMP GetSite(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        return site_ ? site_->QueryInterface(iid, out) : E_FAIL;
    }

    // IOleWindow
    IFACEMETHODIMP GetWindow(HWND* window) override {
        if (!window) return E_INVALIDARG;
        *window = pane_ ? pane_->Window() : nullptr;
        return *window ? S_OK : E_FAIL;
    }
    IFACEMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IPreviewHandlerVisuals: the host's colours and font, so the pane matches its theme.
    IFACEMETHODIMP SetBackgroundColor(COLORREF colour) override {
        return SetColours({colour, colours_ ? colours_->text : GetSysColor(COLOR_WINDOWTEXT)});
    }
    IFACEMETHODIMP SetTextColor(COLORREF colour) override {
        return SetColours({colours_ ? colours_->background : GetSysColor(COLOR_WINDOW), colour});
    }
    IFACEMETHODIMP SetFont(const LOGFONTW* font) override {
        if (!font) return E_INVALIDARG;
        LOGFONTA narrow{};
        static_assert(offsetof(LOGFONTA, lfFaceName) == offsetof(LOGFONTW, lfFaceName));
        memcpy(&narrow, font, offsetof(LOGFONTA, lfFaceName));
        WideCharToMultiByte(CP_ACP, 0, font->lfFaceName, -1, narrow.lfFaceName,
                            sizeof narrow.lfFaceName, nullptr, nullptr);
        narrow.lfFaceName[LF_FACESIZE - 1] = '\0';
        font_ = narrow;
        if (pane_) pane_->SetFont(&*font_);
        return S_OK;
    }

  private:
    HRESULT SetColours(PaneColours colours) {
        colours_ = colours;
        if (pane_) pane_->SetColours(colours);
        return S_OK;
    }

    win::ComPtr<IUnknown> site_;
    HWND parent_ = nullptr;
    RECT rect_{};
    std::optional<PaneColours> colours_;
    std::optional<LOGFONTA> font_;
    std::unique_ptr<PreviewPane> pane_;
};

}  // namespace

HRESULT CreatePreviewHandler(REFIID iid, void** out) {
    return CreateObject<PreviewHandler>(iid, out);
}

}  // namespace shell
