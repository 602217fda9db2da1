// The temporary file is PATH.~PID.N, made with O_EXCL so that no other file is taken over;
// rename() will not replace an existing file on Windows, MoveFileExA will.
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cerrno>

#include "ReplacingFile.h"

std::FILE* CreateFileBeside(const std::string& path, std::string& tempPath) {
    const std::string stem = path + ".~" + std::to_string(GetCurrentProcessId()) + ".";
    for (int n = 0; n < 100; ++n) {
        tempPath = stem + std::to_string(n);
        const int fd = _open(tempPath.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY,
                             _S_IREAD | _S_IWRITE);
        if (fd < 0) {
            if (errno == EEXIST) continue;  // left by an earlier run that was cut short
            return nullptr;
        }
        std::FILE* file = _fdopen(fd, "wb");
        if (!file) {
            const int error = errno;
            _close(fd);
            _unlink(tempPath.c_str());
            errno = error;
        }
        return file;
    }
    return nullptr;  // errno is EEXIST
}

bool RenameReplacing(const std::string& tempPath, const std::string& path, std::string& error) {
    if (MoveFileExA(tempPath.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    const DWORD code = GetLastError();
    char text[512] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, 0, text, sizeof text, nullptr);
    error.assign(text, length);
    while (!error.empty() &&
           (error.back() == '\n' || error.back() == '\r' || error.back() == ' ')) {
        error.pop_back();
    }
    if (error.empty()) error = "Windows error " + std::to_string(code);
    return false;
}
