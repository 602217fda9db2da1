#pragma once
// The Help command's road to the help: the WinHelp engine where it works, else the same help
// as one HTML page in the default browser (systems since Vista have no engine; Windows 10 and
// 11 have a placeholder in its place, passed over at once). Each click is one request that
// ends in the engine or in the page, never both. Nothing here waits on the window's thread:
// an engine that was started but has no window yet is looked for again from a timer, and the
// window answers meanwhile.
#include <windows.h>

#include <string>

#include "Timer.h"

class HelpRequest {
  public:
    static constexpr UINT_PTR kTimerId = 0x4850;

    // Opens the help at its contents for `window`: `helpFile` in the engine, or `page`. Does
    // nothing while an earlier request still waits for the engine.
    void Show(HWND window, const std::string& helpFile, const std::string& page);
    // A timer tick for the window; false when it is not this request's timer.
    bool Tick(UINT_PTR id);
    // Tells the engine that the window that asked for help is done with it. The engine keeps
    // its callers per window, so it must be that same window, while it still exists.
    void Quit();

  private:
    bool AskEngine();
    void OpenPage() const;

    HWND window_ = nullptr;
    HWND asked_ = nullptr;
    std::string helpFile_;
    std::string page_;
    TTimer timer_;
    int ticks_ = 0;
};
