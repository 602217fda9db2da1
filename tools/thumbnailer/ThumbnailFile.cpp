#include "ThumbnailFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "PngCodec.h"

bool WritePngReplacing(const std::string& output, const RgbaImage& image, std::string& error) {
    std::vector<char> temp(output.begin(), output.end());
    const char suffix[] = ".XXXXXX";
    temp.insert(temp.end(), suffix, suffix + sizeof suffix);  // with the closing NUL
    const int fd = mkstemp(temp.data());
    if (fd < 0) {
        error = std::string("cannot create a file beside it: ") + std::strerror(errno);
        return false;
    }
    // mkstemp makes the file private; give it the mode a plain new file would have.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    std::FILE* file = fdopen(fd, "wb");
    if (!file) {
        error = std::strerror(errno);
        close(fd);
        unlink(temp.data());
        return false;
    }
    bool ok = EncodePng(image, file, error);
    if (std::fflush(file) != 0 && ok) {
        error = std::strerror(errno);
        ok = false;
    }
    if (std::fclose(file) != 0 && ok) {
        error = std::strerror(errno);
        ok = false;
    }
    if (ok && std::rename(temp.data(), output.c_str()) != 0) {
        error = std::strerror(errno);
        ok = false;
    }
    if (!ok) unlink(temp.data());
    return ok;
}
