#pragma once
// A drawing read through an IStream, the only way a shell host hands a file to a handler
// that it runs in its isolated process. Each read seeks first: the host may share the stream
// and nothing promises where its position was left.
#include <objidl.h>

#include <cstdint>

#include "preview/ByteSource.h"

namespace win {

// The stream's size from Stat: the stream's own error when it cannot tell, or an overflow
// error for a size that signed seek positions cannot reach.
HRESULT StreamSize(IStream* stream, uint64_t& size);

class StreamSource final : public ByteSource {
  public:
    // The stream is borrowed: the caller keeps it alive while the source reads.
    StreamSource(IStream* stream, uint64_t size) : ByteSource(size), stream_(stream) {}

    // The failure the stream itself reported on the last read that failed (S_OK when reads
    // only came back short), so a handler can pass the host's own error on.
    HRESULT StreamFailure() const { return failure_; }

  private:
    bool ReadAt(uint64_t offset, std::span<uint8_t> out) override;

    IStream* stream_;
    HRESULT failure_ = S_OK;
};

}  // namespace win
