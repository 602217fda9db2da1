// The temporary file is made with O_EXCL so that no other file is taken over; rename() will
// not replace an existing file on Windows, MoveFileExA will.
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cerrno>

#include "ReplacingFile.h"

unsigned long CurrentProcessId() { return GetCurrentProcessId(); }

int OpenNewFile(const std::string& path) {
    return _open(path.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _S_IREAD | _S_IWRITE);
}

std::FILE* StreamOfDescriptor(int fd) { return _fdopen(fd, "wb"); }

void CloseDescriptor(int fd) { _close(fd); }

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
