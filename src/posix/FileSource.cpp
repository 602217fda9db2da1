// Drawing files on POSIX hosts, read where their fields lie with pread.
//
// Windows refuses a file that another program holds open for writing through its share
// mode; the closest Linux check is a read lease, which the kernel grants only while no one
// has the file open for writing. The file is opened without blocking, so that a FIFO named
// like a drawing is refused at once instead of waiting for a writer, and only a regular file
// is read: a device or a folder would never end or never begin.
#include "FileSource.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "Error.h"

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

#ifdef F_SETLEASE
// Takes back the SIGIO the lease on `fd` raised in this thread, if it did.
void TakeBackLeaseSignal(int fd, const sigset_t& leaseSignal) {
    sigset_t pending;
    if (sigpending(&pending) != 0 || sigismember(&pending, SIGIO) != 1) return;
    siginfo_t info{};
    const timespec now{};
    if (sigtimedwait(&leaseSignal, &info, &now) != SIGIO) return;
    // The thread's own SIGIO comes out first. Another, sent to the process while every
    // thread blocked it, is handed back (without its details).
    if (info.si_code != POLL_MSG || info.si_fd != fd) pthread_kill(pthread_self(), SIGIO);
}
#endif

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

// A program that opens the file for writing while the lease is held makes the kernel signal
// the lease's owner with SIGIO. Its default action ends the process, and a handler of the
// caller's own would take it for something else. So the owner is this thread, set before the
// lease is taken (which keeps an owner already set), SIGIO is blocked in this thread alone,
// and a SIGIO the lease raised is taken back before the thread's mask is restored. No
// handler is changed, and threads probing at once each get only their own signal.
bool HeldOpenForWriting(int fd, void (*whileLeased)(int fd)) {
#ifdef F_SETLEASE
    const f_owner_ex self{F_OWNER_TID, gettid()};
    // Without a signal of our own choosing and an owner of our own, no lease is safe to take.
    if (fcntl(fd, F_SETSIG, SIGIO) != 0 || fcntl(fd, F_SETOWN_EX, &self) != 0) return false;
    sigset_t leaseSignal, callerMask;
    sigemptyset(&leaseSignal);
    sigaddset(&leaseSignal, SIGIO);
    if (pthread_sigmask(SIG_BLOCK, &leaseSignal, &callerMask) != 0) return false;
    bool busy = false;
    if (fcntl(fd, F_SETLEASE, F_RDLCK) == 0) {
        if (whileLeased) whileLeased(fd);
        // A writer that came meanwhile broke the lease: the file is being written.
        busy = fcntl(fd, F_GETLEASE) != F_RDLCK;
        fcntl(fd, F_SETLEASE, F_UNLCK);
    } else {
        // Other failures (a file we do not own, a file system without leases) say nothing.
        busy = errno == EAGAIN || errno == EBUSY;
    }
    TakeBackLeaseSignal(fd, leaseSignal);
    pthread_sigmask(SIG_SETMASK, &callerMask, nullptr);
    return busy;
#else
    (void)fd;
    (void)whileLeased;
    return false;
#endif
}

std::unique_ptr<ByteSource> OpenDrawingFile(const std::string& path) {
    FileDescriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    struct stat info {};
    if (file.Get() < 0 || fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode) ||
        HeldOpenForWriting(file.Get())) {
        throw AppError::FileOpen(path);
    }
    const auto size = static_cast<uint64_t>(info.st_size);
    auto source = std::make_unique<PosixFileSource>(file.Get(), size);
    file.Release();  // the source owns it now
    return source;
}

DrawingPreview ReadDrawingPreview(const std::string& path) {
    return ReadDrawingPreview(*OpenDrawingFile(path));
}

DrawingPreview ReadDrawingThumbnail(const std::string& path) {
    return ReadDrawingThumbnail(*OpenDrawingFile(path));
}
