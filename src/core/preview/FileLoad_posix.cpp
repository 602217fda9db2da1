// Whole-file loading on POSIX hosts. Windows refuses a file that another program holds open
// for writing through its share mode; the closest Linux check is a read lease, which the
// kernel grants only while no one has the file open for writing.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>

#include "Error.h"
#include "preview/Preview.h"

namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int Get() const { return fd_; }

private:
    int fd_;
};

bool HeldOpenForWriting(int fd) {
#ifdef F_SETLEASE
    if (fcntl(fd, F_SETLEASE, F_RDLCK) == 0) {
        fcntl(fd, F_SETLEASE, F_UNLCK);
        return false;
    }
    // Other failures (a file we do not own, a file system without leases) say nothing.
    return errno == EAGAIN || errno == EBUSY;
#else
    (void)fd;
    return false;
#endif
}

}  // namespace

std::vector<uint8_t> LoadWholeFile(const std::string& path) {
    FileDescriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info {};
    if (file.Get() < 0 || fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode) ||
        HeldOpenForWriting(file.Get())) {
        throw AppError(FormatMessageText(msg::kFileOpen, path));
    }

    std::vector<uint8_t> buffer;
    try {
        buffer.resize(static_cast<std::size_t>(info.st_size));
    } catch (const std::exception&) {
        throw AppError(msg::kStreamGrow);
    }
    std::size_t done = 0;
    while (done < buffer.size()) {
        const ssize_t got = read(file.Get(), buffer.data() + done, buffer.size() - done);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) throw AppError(msg::kStreamRead);
        done += static_cast<std::size_t>(got);
    }
    return buffer;
}
