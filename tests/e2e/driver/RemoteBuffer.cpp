#include "RemoteBuffer.h"

#include "Driver.h"

namespace olxdriver {

RemoteBuffer::RemoteBuffer(HWND window, size_t size) : size_(size) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!process_) throw LastError("OpenProcess");
    address_ = VirtualAllocEx(process_, nullptr, size_, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!address_) {
        Failure failure = LastError("VirtualAllocEx");
        CloseHandle(process_);
        throw failure;
    }
}

RemoteBuffer::~RemoteBuffer() {
    VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    CloseHandle(process_);
}

std::string RemoteBuffer::Read(size_t length) const {
    std::string bytes(length < size_ ? length : size_, '\0');
    SIZE_T got = 0;
    if (!ReadProcessMemory(process_, address_, bytes.data(), bytes.size(), &got))
        throw LastError("ReadProcessMemory");
    bytes.resize(got);
    return bytes;
}

void RemoteBuffer::Clear() {
    const std::string zeros(size_, '\0');
    Write(zeros.data(), zeros.size());
}

void RemoteBuffer::Write(const void* bytes, size_t length) {
    SIZE_T put = 0;
    if (!WriteProcessMemory(process_, address_, bytes, length < size_ ? length : size_, &put))
        throw LastError("WriteProcessMemory");
}

}  // namespace olxdriver
