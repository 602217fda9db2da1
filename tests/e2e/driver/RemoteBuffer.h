// Memory inside another process. Wine does not marshal the pointers of the status bar's
// SB_GET* messages, so the answer has to be written into the target's own address space.
#pragma once

#include <windows.h>

#include <string>

namespace olxdriver {

class RemoteBuffer {
  public:
    RemoteBuffer(HWND window, size_t size);  // in the process that owns window
    ~RemoteBuffer();
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;

    LPARAM Address() const { return reinterpret_cast<LPARAM>(address_); }
    size_t Size() const { return size_; }
    std::string Read(size_t length) const;
    void Clear();
    void Write(const void* bytes, size_t length);

  private:
    HANDLE process_ = nullptr;
    void* address_ = nullptr;
    size_t size_ = 0;
};

}  // namespace olxdriver
