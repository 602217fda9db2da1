#pragma once
// Owners of the handles that must be given back on every path, failures included.
// Each one frees exactly one kind of handle; copying is deleted, moving hands ownership on.
#include <windows.h>
#include <shellapi.h>

#include <utility>

namespace win {

// A handle whose traits name its "no handle" value (Empty) and the call that frees it (Free).
template <typename H, typename Traits>
class ScopedHandle {
  public:
    ScopedHandle() = default;
    explicit ScopedHandle(H handle) : handle_(handle) {}
    ~ScopedHandle() { Reset(); }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    ScopedHandle(ScopedHandle&& other) noexcept : handle_(other.Release()) {}
    ScopedHandle& operator=(ScopedHandle&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }

    H Get() const { return handle_; }
    explicit operator bool() const { return handle_ != Traits::Empty(); }
    H Release() { return std::exchange(handle_, Traits::Empty()); }
    void Reset(H handle = Traits::Empty()) {
        if (handle_ != Traits::Empty()) Traits::Free(handle_);
        handle_ = handle;
    }

  private:
    H handle_ = Traits::Empty();
};

template <typename H>
struct GdiObjectTraits {
    static H Empty() { return nullptr; }
    static void Free(H object) { DeleteObject(object); }
};
struct FindTraits {
    static HANDLE Empty() { return INVALID_HANDLE_VALUE; }
    static void Free(HANDLE find) { FindClose(find); }
};
struct FileTraits {
    static HANDLE Empty() { return INVALID_HANDLE_VALUE; }
    static void Free(HANDLE file) { CloseHandle(file); }
};
struct DropTraits {
    static HDROP Empty() { return nullptr; }
    static void Free(HDROP drop) { DragFinish(drop); }
};
struct MemoryDcTraits {
    static HDC Empty() { return nullptr; }
    static void Free(HDC dc) { DeleteDC(dc); }
};

using ScopedBitmap = ScopedHandle<HBITMAP, GdiObjectTraits<HBITMAP>>;
using ScopedFont = ScopedHandle<HFONT, GdiObjectTraits<HFONT>>;
using ScopedFind = ScopedHandle<HANDLE, FindTraits>;
using ScopedFile = ScopedHandle<HANDLE, FileTraits>;
using ScopedDrop = ScopedHandle<HDROP, DropTraits>;
using ScopedMemoryDc = ScopedHandle<HDC, MemoryDcTraits>;

// A window's device context from GetDC, released with ReleaseDC.
class ScopedWindowDc {
  public:
    explicit ScopedWindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~ScopedWindowDc() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    ScopedWindowDc(const ScopedWindowDc&) = delete;
    ScopedWindowDc& operator=(const ScopedWindowDc&) = delete;
    HDC Get() const { return dc_; }

  private:
    HWND window_;
    HDC dc_;
};

// BeginPaint/EndPaint: the update region is validated even when painting fails.
class ScopedPaint {
  public:
    explicit ScopedPaint(HWND window) : window_(window) { dc_ = BeginPaint(window, &paint_); }
    ~ScopedPaint() { EndPaint(window_, &paint_); }
    ScopedPaint(const ScopedPaint&) = delete;
    ScopedPaint& operator=(const ScopedPaint&) = delete;
    HDC Get() const { return dc_; }

  private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_ = nullptr;
};

// Selects an object into a device context and puts the previous one back.
class ScopedSelect {
  public:
    ScopedSelect(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~ScopedSelect() {
        if (previous_ && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
    }
    ScopedSelect(const ScopedSelect&) = delete;
    ScopedSelect& operator=(const ScopedSelect&) = delete;

  private:
    HDC dc_;
    HGDIOBJ previous_;
};

// A COM interface pointer, released once.
template <typename T>
class ComPtr {
  public:
    ComPtr() = default;
    ~ComPtr() { Reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            Reset();
            pointer_ = std::exchange(other.pointer_, nullptr);
        }
        return *this;
    }

    T* Get() const { return pointer_; }
    T* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }
    // For the out-parameter of a creating call; whatever was held is released first.
    T** Out() {
        Reset();
        return &pointer_;
    }
    void** OutVoid() { return reinterpret_cast<void**>(Out()); }
    void Reset() {
        if (pointer_) std::exchange(pointer_, nullptr)->Release();
    }

  private:
    T* pointer_ = nullptr;
};

}  // namespace win
