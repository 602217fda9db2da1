// The temporary file is PATH.~PID.N, made with O_EXCL so that no other file is taken over,
// and with mode 0666 so the kernel gives it the umask's mode, as any new file gets: reading
// the umask means setting it, and it is the process's, shared by the sheet's writing threads.
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "ReplacingFile.h"

namespace {

constexpr int kAttempts = 100;
std::atomic<unsigned long> nextNumber{0};

}  // namespace

std::FILE* CreateFileBeside(const std::string& path, std::string& tempPath) {
    const std::string stem = path + ".~" + std::to_string(getpid()) + ".";
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        tempPath = stem + std::to_string(nextNumber++);
        const int fd = open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;  // left by an earlier run of the same process id
            return nullptr;
        }
        std::FILE* file = fdopen(fd, "wb");
        if (!file) {
            const int error = errno;
            close(fd);
            unlink(tempPath.c_str());
            errno = error;
        }
        return file;
    }
    return nullptr;  // errno is EEXIST
}

bool RenameReplacing(const std::string& tempPath, const std::string& path, std::string& error) {
    if (std::rename(tempPath.c_str(), path.c_str()) == 0) return true;
    error = std::strerror(errno);
    return false;
}
