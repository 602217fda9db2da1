#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "ReplacingFile.h"

std::FILE* CreateFileBeside(const std::string& path, std::string& tempPath) {
    std::vector<char> name(path.begin(), path.end());
    const char suffix[] = ".XXXXXX";
    name.insert(name.end(), suffix, suffix + sizeof suffix);  // with the closing NUL
    const int fd = mkstemp(name.data());
    if (fd < 0) return nullptr;
    tempPath = name.data();
    // mkstemp makes the file private; give it the mode a plain new file would have.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    std::FILE* file = fdopen(fd, "wb");
    if (!file) {
        const int error = errno;
        close(fd);
        unlink(tempPath.c_str());
        errno = error;
    }
    return file;
}

bool RenameReplacing(const std::string& tempPath, const std::string& path, std::string& error) {
    if (std::rename(tempPath.c_str(), path.c_str()) == 0) return true;
    error = std::strerror(errno);
    return false;
}
