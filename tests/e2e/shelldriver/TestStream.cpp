#include "TestStream.h"

#include <algorithm>
#include <cstring>

TestStream::TestStream(std::shared_ptr<const std::vector<uint8_t>> bytes, Faults faults)
    : bytes_(std::move(bytes)),
      faults_(faults),
      size_(std::min<uint64_t>(faults.length, bytes_->size())) {}

IFACEMETHODIMP TestStream::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IStream || iid == IID_ISequentialStream) {
        *out = static_cast<IStream*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

IFACEMETHODIMP_(ULONG) TestStream::Release() {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
}

IFACEMETHODIMP TestStream::Read(void* out, ULONG wanted, ULONG* got) {
    if (got) *got = 0;
    if (faults_.failAfter >= 0 && read_ + wanted > static_cast<uint64_t>(faults_.failAfter)) {
        return kReadFault;
    }
    const uint64_t left = position_ < size_ ? size_ - position_ : 0;
    const ULONG count = static_cast<ULONG>(std::min<uint64_t>(wanted, left));
    std::memcpy(out, bytes_->data() + position_, count);
    position_ += count;
    read_ += count;
    extent_ = std::max(extent_, position_);
    if (got) *got = count;
    return count == wanted ? S_OK : S_FALSE;
}

IFACEMETHODIMP TestStream::Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) {
    int64_t base = 0;
    if (origin == STREAM_SEEK_CUR) base = static_cast<int64_t>(position_);
    if (origin == STREAM_SEEK_END) base = static_cast<int64_t>(size_);
    if (origin > STREAM_SEEK_END) return STG_E_INVALIDFUNCTION;
    const int64_t target = base + move.QuadPart;
    if (target < 0) return STG_E_INVALIDFUNCTION;
    position_ = static_cast<uint64_t>(target);
    if (position) position->QuadPart = position_;
    return S_OK;
}

IFACEMETHODIMP TestStream::Stat(STATSTG* stat, DWORD) {
    if (!stat) return STG_E_INVALIDPOINTER;
    if (faults_.failStat) return kReadFault;
    *stat = STATSTG{};
    stat->type = STGTY_STREAM;
    stat->cbSize.QuadPart = size_;
    return S_OK;
}
