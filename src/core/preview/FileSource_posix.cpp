// Drawing files on POSIX hosts, read where their fields lie with pread.
//
// Windows refuses a file that another program holds open for writing through its share
// mode; the closest Linux check is a read lease, which the kernel grants only while no one
// has the file open for writing. The file is opened without blocking, so that a FIFO named
// like a drawing is refused at once instead of waiting for a writer, and only a regular file
// is read: a device or a folder would never end or never begin.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "Error.h"
#include "preview/ByteSource.h"

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
    int Release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

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

class PosixFileSource final : public ByteSource {
  public:
    PosixFileSource(int fd, uint64_t size) : ByteSource(size), file_(fd) {}

  private:
    bool ReadAt(uint64_t offset, std::span<uint8_t> out) override {
        std::size_t done = 0;
        while (done < out.size()) {
            const ssize_t got = pread(file_.Get(), out.data() + done, out.size() - done,
                                      static_cast<off_t>(offset + done));
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) return false;  // an error, or the file ended early: it shrank
            done += static_cast<std::size_t>(got);
        }
        return true;
    }

    FileDescriptor file_;
};

}  // namespace

std::unique_ptr<ByteSource> OpenDrawingFile(const std::string& path) {
    FileDescriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    struct stat info {};
    if (file.Get() < 0 || fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode) ||
        HeldOpenForWriting(file.Get())) {
        throw AppError(FormatMessageText(msg::kFileOpen, path));
    }
    const auto size = static_cast<uint64_t>(info.st_size);
    auto source = std::make_unique<PosixFileSource>(file.Get(), size);
    file.Release();  // the source owns it now
    return source;
}
