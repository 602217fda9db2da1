// The host calls Initialize, SetWindow, DoPreview, then SetRect as the pane is resized, and
// Unload when another file is selected; all on one thread. Every method catches its own
// failures: a handler that fails leaves the pane empty and the host says so.
#include "PreviewHandler.h"

#include <ocidl.h>
#include <shlwapi.h>
#include <shobjidl.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <utility>

#include "ComObject.h"
#include "ComResult.h"
#include "PreviewPane.h"
#include "Scoped.h"

namespace shell {

namespace {

// The longer side of the work area of the monitor `window` is on: no pane on it can show
// more pixels of a picture than a square of that side holds.
int WorkAreaSide(HWND window) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info)) {
        return std::max(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    }
    const RECT& work = info.rcWork;
    return std::max(work.right - work.left, work.bottom - work.top);
}

class PreviewHandler final : public ComObject<IPreviewHandler, StreamInitialized, IObjectWithSite,
                                              IOleWindow, IPreviewHandlerVisuals> {
  public:
    IFACEMETHODIMP QueryInterface(REFIID iid, void** out) override {
        static const QITAB kInterfaces[] = {
            QITABENT(PreviewHandler, IPreviewHandler),
            QITABENT(PreviewHandler, IInitializeWithStream),
            QITABENT(PreviewHandler, IObjectWithSite),
            QITABENT(PreviewHandler, IOleWindow),
            QITABENT(PreviewHandler, IPreviewHandlerVisuals),
            {},
        };
        return QISearch(this, kInterfaces, iid, out);
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
        if (!parent_) return E_UNEXPECTED;
        if (!pane_) {
            const HRESULT read = ReadPane();
            if (FAILED(read)) return read;
        }
        if (pane_->Window()) return S_OK;  // already shown
        if (pane_->Show(parent_, rect_)) return S_OK;
        // A window refused without a reason (a hook's veto) is a failure all the same.
        const DWORD error = GetLastError();
        return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
    }
    IFACEMETHODIMP Unload() override {
        pane_.reset();
        Uninitialize();
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
    // The picture, decoded once and fitted to the parent's monitor: the pane redraws from it at
    // every size. A DXF drawing without a picture of its own is drawn once, at the pane's size
    // when it is first shown. The host's stream goes as soon as it is read, read or not: it is
    // opened so that nobody may write the file while it is held, and the pane stays open for as
    // long as the drawing is selected.
    HRESULT ReadPane() {
        win::ComPtr<IStream> stream = TakeStream();
        if (!stream) return E_UNEXPECTED;  // not initialised, or read already and failed
        StreamPicture picture;
        const int paneSide = std::max(rect_.right - rect_.left, rect_.bottom - rect_.top);
        const HRESULT result =
            ReadStreamPicture(stream.Get(), WorkAreaSide(parent_), picture, paneSide);
        stream.Reset();
        if (FAILED(result)) return result;
        try {
            auto pane = std::make_unique<PreviewPane>(std::move(picture));
            if (colours_) pane->SetColours(*colours_);
            if (font_) pane->SetFont(&*font_);
            pane_ = std::move(pane);
            return S_OK;
        } catch (...) {
            return ResultOfCurrentException();
        }
    }

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
