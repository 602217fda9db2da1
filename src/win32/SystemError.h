#pragma once
// Errors that come from the platform, turned into AppError texts the error box can show.
#include <windows.h>

#include <string>

#include "Error.h"

namespace msg {
inline constexpr char kWin32Error[] = "Win32 エラー。コード : %d.\n%s";
inline constexpr char kOleError[] = "OLE エラー %.8x";
inline constexpr char kInterfaceNotSupported[] = "Interface はサポートされていません";
}  // namespace msg

namespace win {

// The system's message for `code` (at most 256 bytes), with trailing spaces, control
// characters and "." removed; empty when the system has no message for it.
std::string SystemErrorText(DWORD code);

// "Win32 エラー。コード : <code>.\n<message>".
std::string Win32ErrorText(DWORD code);

// The system's message for a COM failure, or "OLE エラー <8 hex digits>" when there is none.
std::string ComErrorText(HRESULT result);

// Throws the Win32 error for GetLastError().
[[noreturn]] void ThrowLastError();

// Throws the Win32 error for GetLastError(), or `fallback` when the platform reports 0.
[[noreturn]] void ThrowLastErrorOr(const char* fallback);

// Throws the COM error for a failed result; does nothing for a success.
void CheckCom(HRESULT result);

}  // namespace win
