#include "SystemError.h"

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

namespace {

[[noreturn]] void ThrowWin32Error(DWORD code) {
    throw AppError::Platform(code, SystemErrorText(code));
}

}  // namespace

void ThrowLastError() { ThrowWin32Error(GetLastError()); }

void ThrowLastErrorOr(ErrorKind fallback) {
    const DWORD code = GetLastError();
    if (code == 0) throw AppError(fallback);
    ThrowWin32Error(code);
}

void CheckCom(HRESULT result) {
    if (FAILED(result)) {
        throw AppError::Com(static_cast<uint32_t>(result),
                            SystemErrorText(static_cast<DWORD>(result)));
    }
}

}  // namespace win
