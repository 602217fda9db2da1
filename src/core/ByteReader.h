#pragma once
// Positioned, bounds-checked little-endian reads. Every read names its absolute offset; a field
// that does not lie wholly inside the bytes, or whose offset is 2^31 or more (files are
// addressed with signed 32-bit positions), raises the stream-read error. Offsets are taken as
// 64-bit sums so that base + delta can never wrap.
//
// The check and the decoding live here once: ByteReader applies them to bytes in memory, and
// the preview's ByteSource to a file read where its fields lie.
#include <cstddef>
#include <cstdint>
#include <span>

#include "Error.h"

namespace bytes {

inline constexpr uint64_t kMaxOffset = uint64_t{1} << 31;

// True when `width` bytes at `offset` lie inside `size` bytes.
inline bool Fits(uint64_t size, uint64_t offset, uint64_t width) {
    return offset < kMaxOffset && width <= size && offset <= size - width;
}
inline void Require(uint64_t size, uint64_t offset, uint64_t width) {
    if (!Fits(size, offset, width)) throw AppError(ErrorKind::StreamRead);
}

inline uint16_t LoadU16(const uint8_t* b) { return static_cast<uint16_t>(b[0] | b[1] << 8); }
inline uint32_t LoadU32(const uint8_t* b) {
    return static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
           static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24;
}
inline uint32_t LoadU32BigEndian(const uint8_t* b) {
    return static_cast<uint32_t>(b[0]) << 24 | static_cast<uint32_t>(b[1]) << 16 |
           static_cast<uint32_t>(b[2]) << 8 | static_cast<uint32_t>(b[3]);
}

}  // namespace bytes

class ByteReader {
  public:
    explicit ByteReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    std::size_t Size() const { return bytes_.size(); }

    // True when `width` bytes at `offset` can be read.
    bool Fits(uint64_t offset, uint64_t width) const {
        return bytes::Fits(bytes_.size(), offset, width);
    }

    std::span<const uint8_t> Bytes(uint64_t offset, uint64_t width) const {
        bytes::Require(bytes_.size(), offset, width);
        return bytes_.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(width));
    }
    uint8_t U8(uint64_t offset) const { return Bytes(offset, 1)[0]; }
    uint16_t U16(uint64_t offset) const { return bytes::LoadU16(Bytes(offset, 2).data()); }
    uint32_t U32(uint64_t offset) const { return bytes::LoadU32(Bytes(offset, 4).data()); }
    int32_t I32(uint64_t offset) const { return static_cast<int32_t>(U32(offset)); }
    uint32_t U32BigEndian(uint64_t offset) const {
        return bytes::LoadU32BigEndian(Bytes(offset, 4).data());
    }

  private:
    std::span<const uint8_t> bytes_;
};
