#include "StreamSource.h"

#include <algorithm>
#include <cstdint>

namespace win {

HRESULT StreamSize(IStream* stream, uint64_t& size) {
    STATSTG stat{};
    const HRESULT result = stream->Stat(&stat, STATFLAG_NONAME);
    if (FAILED(result)) return result;
    // Seek positions are signed: a larger size could never be read to its end.
    if (stat.cbSize.QuadPart > static_cast<uint64_t>(INT64_MAX))
        return HRESULT_FROM_WIN32(ERROR_ARITHMETIC_OVERFLOW);
    size = stat.cbSize.QuadPart;
    return S_OK;
}

bool StreamSource::ReadAt(uint64_t offset, std::span<uint8_t> out) {
    // ByteSource keeps offset + size within Size(), which Open held within INT64_MAX.
    LARGE_INTEGER position{};
    position.QuadPart = static_cast<LONGLONG>(offset);
    HRESULT result = stream_->Seek(position, STREAM_SEEK_SET, nullptr);
    std::size_t done = 0;
    while (SUCCEEDED(result) && done < out.size()) {
        const ULONG chunk = static_cast<ULONG>(std::min<std::size_t>(out.size() - done, 1u << 30));
        ULONG got = 0;
        result = stream_->Read(out.data() + done, chunk, &got);
        if (SUCCEEDED(result) && (got == 0 || got > chunk)) return false;  // ended early
        if (SUCCEEDED(result)) done += got;
    }
    if (FAILED(result)) {
        failure_ = result;
        return false;
    }
    return true;
}

}  // namespace win
