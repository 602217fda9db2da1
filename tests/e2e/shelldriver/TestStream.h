#pragma once
// An IStream over bytes in memory that stands in for the one a shell host hands over: it
// counts what is read and how far, can end early (a truncated file) and can fail on request.
#include <objidl.h>

#include <cstdint>
#include <memory>
#include <vector>

class TestStream final : public IStream {
  public:
    struct Faults {
        uint64_t length = UINT64_MAX;  // bytes the stream holds: the file cut there
        int64_t failAfter = -1;        // a Read reaching past this many bytes read fails
        bool failStat = false;
    };
    static constexpr HRESULT kReadFault = STG_E_READFAULT;

    TestStream(std::shared_ptr<const std::vector<uint8_t>> bytes, Faults faults);

    uint64_t BytesRead() const { return read_; }
    uint64_t Extent() const { return extent_; }  // one past the furthest byte read
    ULONG References() const { return references_; }

    IFACEMETHODIMP QueryInterface(REFIID iid, void** out) override;
    IFACEMETHODIMP_(ULONG) AddRef() override { return ++references_; }
    IFACEMETHODIMP_(ULONG) Release() override;
    IFACEMETHODIMP Read(void* out, ULONG wanted, ULONG* got) override;
    IFACEMETHODIMP Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) override;
    IFACEMETHODIMP Stat(STATSTG* stat, DWORD) override;
    IFACEMETHODIMP Write(const void*, ULONG, ULONG*) override { return STG_E_ACCESSDENIED; }
    IFACEMETHODIMP SetSize(ULARGE_INTEGER) override { return STG_E_ACCESSDENIED; }
    IFACEMETHODIMP CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override {
        return E_NOTIMPL;
    }
    IFACEMETHODIMP Commit(DWORD) override { return E_NOTIMPL; }
    IFACEMETHODIMP Revert() override { return E_NOTIMPL; }
    IFACEMETHODIMP LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    IFACEMETHODIMP UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return E_NOTIMPL;
    }
    IFACEMETHODIMP Clone(IStream**) override { return E_NOTIMPL; }

  private:
    ULONG references_ = 1;
    std::shared_ptr<const std::vector<uint8_t>> bytes_;
    Faults faults_;
    uint64_t size_;
    uint64_t position_ = 0;
    uint64_t read_ = 0;
    uint64_t extent_ = 0;
};
