#pragma once
// Errors that come from the platform, raised as AppError with the system's own text.
#include <windows.h>

#include <string>

#include "Error.h"

namespace win {

// The system's message for `code` (at most 256 bytes), with trailing spaces, control
// characters and "." removed; empty when the system has no message for it.
std::string SystemErrorText(DWORD code);

// Throws the Win32 error for GetLastError().
[[noreturn]] void ThrowLastError();

// Throws the Win32 error for GetLastError(), or `fallback` when the platform reports 0.
[[noreturn]] void ThrowLastErrorOr(ErrorKind fallback);

// Throws the COM error for a failed result; does nothing for a success.
void CheckCom(HRESULT result);

}  // namespace win
