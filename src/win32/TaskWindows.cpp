#include "TaskWindows.h"

namespace win {

DisabledTaskWindows::DisabledTaskWindows(HWND keep) : keep_(keep), active_(GetActiveWindow()) {
    EnumThreadWindows(GetCurrentThreadId(), &DisabledTaskWindows::Collect,
                      reinterpret_cast<LPARAM>(this));
    for (HWND window : disabled_) EnableWindow(window, FALSE);
}

DisabledTaskWindows::~DisabledTaskWindows() {
    for (HWND window : disabled_) {
        if (IsWindow(window)) EnableWindow(window, TRUE);
    }
    // Closing the box activated its hidden owner (or nothing): hand the activation back.
    if (active_ && IsWindow(active_) && IsWindowVisible(active_)) SetActiveWindow(active_);
}

BOOL CALLBACK DisabledTaskWindows::Collect(HWND window, LPARAM self) {
    auto* that = reinterpret_cast<DisabledTaskWindows*>(self);
    if (window != that->keep_ && IsWindowVisible(window) && IsWindowEnabled(window)) {
        that->disabled_.push_back(window);
    }
    return TRUE;
}

}  // namespace win
