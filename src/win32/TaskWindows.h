#pragma once
// While a modal box or dialog owned by the hidden application window shows, the program's
// other top-level windows must not take input. Windows disables only the owner (which is
// hidden), so this disables every visible, enabled top-level window of the thread for its
// lifetime, then enables them again and gives the activation back.
#include <windows.h>

#include <vector>

namespace win {

class DisabledTaskWindows {
  public:
    // `keep` stays enabled (a modal form's own window), as does the application window.
    explicit DisabledTaskWindows(HWND keep = nullptr);
    ~DisabledTaskWindows();
    DisabledTaskWindows(const DisabledTaskWindows&) = delete;
    DisabledTaskWindows& operator=(const DisabledTaskWindows&) = delete;

  private:
    static BOOL CALLBACK Collect(HWND window, LPARAM self);
    HWND keep_;
    HWND active_;
    std::vector<HWND> disabled_;
};

}  // namespace win
