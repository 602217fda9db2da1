// preview FILE OUTDIR W H W2 H2 [refuse]: a window of ours, magenta so that what the handler
// paints shows against it, hosts the preview handler as the shell's preview pane does, handing
// it a stream of ours over the file's bytes:
//   "do HR HELD"                     Initialize, SetWindow(W x H at the top left), the colours
//                                    (IPreviewHandlerVisuals: teal ground, yellow text), DoPreview;
//                                    HELD: references to the stream the handler still holds.
//                                    With "refuse", a hook of ours vetoes every window made
//                                    during DoPreview, as a host's CBT hook may
//   "pane 1 HWND CHILD L T R B TEXT" its window (IOleWindow), whether it is our window's
//                                    child, its rect in our client, its text; our client in
//                                    pane-1.bgra
//   "focus HR SAME"                  SetFocus, then whether QueryFocus names its window
//   "pane 2 ..."                     after SetRect(W2 x H2): pane-2.bgra
//   "unload EXISTS"                  after Unload: whether its window still exists; pane-3.bgra
//   "redo HR HELD", "pane 4 ..."     Initialize with a new stream and DoPreview again, as the
//                                    host does for the next file: pane-4.bgra; then Unload
#include <shlwapi.h>
#include <shobjidl.h>

#include <algorithm>
#include <memory>

#include "ShellDriver.h"

namespace {

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    return DefWindowProcA(window, message, wparam, lparam);
}

LRESULT CALLBACK RefuseWindows(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HCBT_CREATEWND) return 1;
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

std::string Held(TestStream* stream) {
    return Num(static_cast<long long>(stream->References()) - 1);
}

void Pump(DWORD milliseconds) {
    const DWORD end = GetTickCount() + milliseconds;
    for (DWORD now = GetTickCount(); static_cast<LONG>(end - now) > 0; now = GetTickCount()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, end - now, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

// Our client area as the screen shows it.
Pixels Capture(HWND host) {
    RECT client{};
    GetClientRect(host, &client);
    POINT origin{0, 0};
    ClientToScreen(host, &origin);
    Pixels pixels;
    pixels.width = client.right;
    pixels.height = client.bottom;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = pixels.width;
    info.bmiHeader.biHeight = -pixels.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap || !bits) throw std::runtime_error("cannot make the capture bitmap");
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, pixels.width, pixels.height, screen, origin.x, origin.y, SRCCOPY);
    GdiFlush();
    const auto* from = static_cast<const uint8_t*>(bits);
    pixels.bgra.assign(from, from + size_t(pixels.width) * pixels.height * 4);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

void Save(const std::string& path, const Pixels& pixels) {
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) throw std::runtime_error("cannot write " + path);
    const int32_t size[2] = {pixels.width, pixels.height};
    std::fwrite(size, sizeof size, 1, out);
    std::fwrite(pixels.bgra.data(), 1, pixels.bgra.size(), out);
    if (std::fclose(out) != 0) throw std::runtime_error("cannot write " + path);
}

void ReportPane(const char* stage, HWND host, IPreviewHandler* handler) {
    ComRef<IOleWindow> ole;
    HWND pane = nullptr;
    if (SUCCEEDED(handler->QueryInterface(IID_IOleWindow, ole.OutVoid()))) ole->GetWindow(&pane);
    RECT r{};
    char text[256] = "";
    if (pane && IsWindow(pane)) {
        GetWindowRect(pane, &r);
        MapWindowPoints(nullptr, host, reinterpret_cast<POINT*>(&r), 2);
        GetWindowTextA(pane, text, sizeof text);
    }
    Emit({"pane", stage, Hex(reinterpret_cast<uintptr_t>(pane)),
          Num(pane && GetParent(pane) == host), Num(r.left), Num(r.top), Num(r.right),
          Num(r.bottom), text});
}

}  // namespace

int CmdPreview(const Args& args) {
    const std::string& file = Arg(args, 0);
    const std::string& outDir = Arg(args, 1);
    const RECT first{0, 0, std::stoi(Arg(args, 2)), std::stoi(Arg(args, 3))};
    const RECT second{0, 0, std::stoi(Arg(args, 4)), std::stoi(Arg(args, 5))};

    WNDCLASSA cls{};
    cls.lpfnWndProc = HostProc;
    cls.hInstance = GetModuleHandleA(nullptr);
    cls.hbrBackground = CreateSolidBrush(RGB(255, 0, 255));
    cls.lpszClassName = "OlxPreviewHost";
    RegisterClassA(&cls);
    const int width = std::max(first.right, second.right);
    const int height = std::max(first.bottom, second.bottom);
    HWND host = CreateWindowExA(WS_EX_TOPMOST, cls.lpszClassName, "olxshell preview",
                                WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, width, height,
                                nullptr, nullptr, cls.hInstance, nullptr);
    if (!host) throw std::runtime_error("cannot make the host window");
    Pump(300);

    auto bytes = std::make_shared<const std::vector<uint8_t>>(ReadWhole(file));
    auto* stream = new TestStream(bytes, {});
    const auto dot = file.find_last_of('.');
    ComRef<IInitializeWithStream> init;
    CreateHandler(file.substr(dot == std::string::npos ? file.size() : dot), kPreviewKey,
                  IID_IInitializeWithStream, init.OutVoid());
    ComRef<IPreviewHandler> handler;
    Check(init->QueryInterface(IID_IPreviewHandler, handler.OutVoid()), "QueryInterface");
    HRESULT result = init->Initialize(stream, STGM_READ);
    if (SUCCEEDED(result)) result = handler->SetWindow(host, &first);
    ComRef<IPreviewHandlerVisuals> visuals;
    if (SUCCEEDED(result)) {
        result = handler->QueryInterface(IID_IPreviewHandlerVisuals, visuals.OutVoid());
    }
    if (SUCCEEDED(result)) result = visuals->SetBackgroundColor(RGB(0, 128, 128));
    if (SUCCEEDED(result)) result = visuals->SetTextColor(RGB(255, 255, 0));
    if (SUCCEEDED(result)) {
        HHOOK hook = nullptr;
        if (args.size() > 6 && args[6] == "refuse") {
            hook = SetWindowsHookExA(WH_CBT, RefuseWindows, nullptr, GetCurrentThreadId());
            if (!hook) throw std::runtime_error("cannot set the hook");
        }
        result = handler->DoPreview();
        if (hook) UnhookWindowsHookEx(hook);
    }
    Emit({"do", Hex(static_cast<unsigned long>(result)), Held(stream)});
    stream->Release();
    Pump(400);
    ReportPane("1", host, handler.Get());
    Save(outDir + "\\pane-1.bgra", Capture(host));

    HWND pane = nullptr;
    ComRef<IOleWindow> ole;
    if (SUCCEEDED(handler->QueryInterface(IID_IOleWindow, ole.OutVoid()))) ole->GetWindow(&pane);
    const HRESULT focus = handler->SetFocus();
    HWND focused = nullptr;
    handler->QueryFocus(&focused);
    Emit({"focus", Hex(static_cast<unsigned long>(focus)), Num(pane && focused == pane)});

    handler->SetRect(&second);
    Pump(400);
    ReportPane("2", host, handler.Get());
    Save(outDir + "\\pane-2.bgra", Capture(host));

    handler->Unload();
    Pump(400);
    Emit({"unload", Num(pane && IsWindow(pane))});
    Save(outDir + "\\pane-3.bgra", Capture(host));

    stream = new TestStream(bytes, {});
    result = init->Initialize(stream, STGM_READ);
    if (SUCCEEDED(result)) result = handler->DoPreview();
    Emit({"redo", Hex(static_cast<unsigned long>(result)), Held(stream)});
    stream->Release();
    Pump(400);
    ReportPane("4", host, handler.Get());
    Save(outDir + "\\pane-4.bgra", Capture(host));
    handler->Unload();
    DestroyWindow(host);
    return 0;
}
