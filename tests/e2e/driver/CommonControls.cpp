// Common controls: the status bar and the progress bar. Each command takes the control's
// window or a window holding one (the first of its class in EnumChildWindows order).
#include "Driver.h"

#include <commctrl.h>

#include <cstring>

#include "RemoteBuffer.h"

namespace olxdriver {

namespace {

constexpr size_t kBufferSize = 16 * 1024;
constexpr int kMaxParts = 256;

int ReadInt(const std::string& bytes, size_t index) {
    int value = 0;
    if ((index + 1) * sizeof value <= bytes.size())
        memcpy(&value, bytes.data() + index * sizeof value, sizeof value);
    return value;
}

}  // namespace

// status HWND:
//   bar   HWND  CLIENT_WIDTH  CLIENT_HEIGHT  SIMPLE  PART_COUNT
//   part  INDEX  RIGHT_EDGE  TYPE  LEFT TOP RIGHT BOTTOM (screen)  TEXT
int CmdStatus(const Args& args) {
    HWND bar = ControlOf(ArgHwnd(args, 0), STATUSCLASSNAMEA);
    RemoteBuffer remote(bar, kBufferSize);

    RECT client{};
    GetClientRect(bar, &client);
    const bool simple = Ask(bar, SB_ISSIMPLE, 0, 0) != 0;
    const int count = static_cast<int>(Ask(bar, SB_GETPARTS, kMaxParts, remote.Address()));
    if (count < 0 || count > kMaxParts) throw Failure("odd part count " + Num(count));
    const std::string rights = remote.Read(static_cast<size_t>(count) * sizeof(int));
    Emit({"bar", Hex(bar), Num(client.right), Num(client.bottom), Num(simple ? 1 : 0), Num(count)});

    for (int i = 0; i < count; ++i) {
        // The length comes in characters under Wine: two bytes each is the worst case.
        const size_t length = LOWORD(Ask(bar, SB_GETTEXTLENGTHA, i, 0));
        if (length * 2 + 2 > remote.Size()) throw Failure("part text too long: " + Num(i));
        remote.Clear();
        const LRESULT got = Ask(bar, SB_GETTEXTA, i, remote.Address());
        std::string text = remote.Read(length * 2 + 2);
        text.resize(strnlen(text.data(), text.size()));

        remote.Clear();
        Ask(bar, SB_GETRECT, i, remote.Address());
        const std::string rect_bytes = remote.Read(sizeof(RECT));
        RECT r{ReadInt(rect_bytes, 0), ReadInt(rect_bytes, 1), ReadInt(rect_bytes, 2),
               ReadInt(rect_bytes, 3)};
        MapWindowPoints(bar, nullptr, reinterpret_cast<POINT*>(&r), 2);

        Emit({"part", Num(i), Num(ReadInt(rights, i)), Hex(HIWORD(got)), RectFields(r),
              Escape(text)});
    }
    return kDone;
}

// progress HWND: "progress LOW HIGH POS" of a progress bar (HWND or its first descendant one).
int CmdProgress(const Args& args) {
    HWND bar = ControlOf(ArgHwnd(args, 0), PROGRESS_CLASSA);
    const LRESULT low = Ask(bar, PBM_GETRANGE, TRUE, 0);
    const LRESULT high = Ask(bar, PBM_GETRANGE, FALSE, 0);
    const LRESULT pos = Ask(bar, PBM_GETPOS, 0, 0);
    Emit({"progress", Num(static_cast<int>(low)), Num(static_cast<int>(high)),
          Num(static_cast<int>(pos))});
    return kDone;
}

}  // namespace olxdriver
