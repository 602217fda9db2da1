#include "ReplacingFile.h"

#include <cerrno>
#include <cstring>

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
