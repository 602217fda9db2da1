#include "ReplacingFile.h"

#include <atomic>
#include <cerrno>
#include <cstring>

namespace {

constexpr int kAttempts = 100;
std::atomic<unsigned long> nextNumber{0};

std::FILE* CreateNewFile(const std::string& path) {
    const int fd = OpenNewFile(path);
    if (fd < 0) return nullptr;
    std::FILE* file = StreamOfDescriptor(fd);
    if (!file) {
        const int error = errno;
        CloseDescriptor(fd);
        std::remove(path.c_str());
        errno = error;
    }
    return file;
}

}  // namespace

std::FILE* CreateFileBeside(const std::string& path, std::string& tempPath) {
    const std::string stem = path + ".~" + std::to_string(CurrentProcessId()) + ".";
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        tempPath = stem + std::to_string(nextNumber++);
        std::FILE* file = CreateNewFile(tempPath);
        if (file || errno != EEXIST) return file;  // EEXIST: left by an earlier run
    }
    return nullptr;  // errno is EEXIST
}

bool WriteFileReplacing(const std::string& path,
                        const std::function<bool(std::FILE* file, std::string& error)>& write,
                        std::string& error) {
    std::string temp;
    std::FILE* file = CreateFileBeside(path, temp);
    if (!file) {
        error = std::string("cannot create a file beside it: ") + std::strerror(errno);
        return false;
    }
    bool ok = write(file, error);
    // A full disk often shows only when the last buffer goes out.
    if (ok && (std::fflush(file) != 0 || std::ferror(file))) {
        error = std::strerror(errno);
        ok = false;
    }
    if (std::fclose(file) != 0 && ok) {
        error = std::strerror(errno);
        ok = false;
    }
    if (ok) ok = RenameReplacing(temp, path, error);
    if (!ok) std::remove(temp.c_str());
    return ok;
}
