#include "SystemError.h"

#include <cstdio>

namespace win {

std::string SystemErrorText(DWORD code) {
    char buffer[256] = {};
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, buffer, sizeof buffer, nullptr);
    // Bytes up to 0x20 and "." are never the trail byte of a double-byte character, so
    // trimming them byte by byte cannot cut one in half.
    while (length > 0) {
        const auto last = static_cast<unsigned char>(buffer[length - 1]);
        if (last > 0x20 && last != '.') break;
        --length;
    }
    return std::string(buffer, length);
}

std::string Win32ErrorText(DWORD code) {
    const std::string pattern = msg::kWin32Error;
    const auto at = pattern.find("%d");
    const std::string withCode =
        pattern.substr(0, at) + std::to_string(static_cast<int>(code)) + pattern.substr(at + 2);
    return FormatMessageText(withCode, SystemErrorText(code));
}

std::string ComErrorText(HRESULT result) {
    std::string text = SystemErrorText(static_cast<DWORD>(result));
    if (!text.empty()) return text;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, msg::kOleError, static_cast<unsigned>(result));
    return buffer;
}

void ThrowLastError() { throw AppError(Win32ErrorText(GetLastError())); }

void ThrowLastErrorOr(const char* fallback) {
    const DWORD code = GetLastError();
    if (code == 0) throw AppError(fallback);
    throw AppError(Win32ErrorText(code));
}

void CheckCom(HRESULT result) {
    if (FAILED(result)) throw AppError(ComErrorText(result));
}

}  // namespace win
