// New files with mode 0666, so the kernel gives them the umask's mode as any new file gets:
// reading the umask means setting it, and it is the process's, shared by the sheet's writing
// threads.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "ReplacingFile.h"

unsigned long CurrentProcessId() { return static_cast<unsigned long>(getpid()); }

int OpenNewFile(const std::string& path) {
    return open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
}

std::FILE* StreamOfDescriptor(int fd) { return fdopen(fd, "wb"); }

void CloseDescriptor(int fd) { close(fd); }

bool RenameReplacing(const std::string& tempPath, const std::string& path, std::string& error) {
    if (std::rename(tempPath.c_str(), path.c_str()) == 0) return true;
    error = std::strerror(errno);
    return false;
}
