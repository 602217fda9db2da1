#pragma once
// The dots-per-inch setting the program's windows are laid out for.
#include <windows.h>

#include "DpiScale.h"

namespace win {

// The setting of the screen a window is on: GetDpiForWindow where the system has it
// (Windows 10 1607 and later), else the screen's LOGPIXELSY.
int WindowDpi(HWND window);

// Before a window exists: the screen's LOGPIXELSY.
int ScreenDpi();

}  // namespace win
