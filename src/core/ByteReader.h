#pragma once
// Positioned, bounds-checked little-endian reads from a byte buffer. Every read names its
// absolute offset; a field that does not lie wholly inside the buffer, or whose offset is
// 2^31 or more (files are addressed with signed 32-bit positions), raises the stream-read
// error. Offsets are taken as 64-bit sums so that base + delta can never wrap.
#include <cstddef>
#include <cstdint>
#include <span>

#include "Error.h"

class ByteReader {
public:
    explicit ByteReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    std::size_t Size() const { return bytes_.size(); }

    // True when `width` bytes at `offset` can be read.
    bool Fits(uint64_t offset, uint64_t width) const {
        return offset < kMaxOffset && width <= bytes_.size() && offset <= bytes_.size() - width;
    }

    std::span<const uint8_t> Bytes(uint64_t offset, uint64_t width) const {
        Require(offset, width);
        return bytes_.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(width));
    }
    uint8_t U8(uint64_t offset) const { return Bytes(offset, 1)[0]; }
    uint16_t U16(uint64_t offset) const {
        const auto b = Bytes(offset, 2);
        return static_cast<uint16_t>(b[0] | b[1] << 8);
    }
    uint32_t U32(uint64_t offset) const {
        const auto b = Bytes(offset, 4);
        return static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
               static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24;
    }
    int32_t I32(uint64_t offset) const { return static_cast<int32_t>(U32(offset)); }
    uint32_t U32BigEndian(uint64_t offset) const {
        const auto b = Bytes(offset, 4);
        return static_cast<uint32_t>(b[0]) << 24 | static_cast<uint32_t>(b[1]) << 16 |
               static_cast<uint32_t>(b[2]) << 8 | static_cast<uint32_t>(b[3]);
    }

private:
    static constexpr uint64_t kMaxOffset = uint64_t{1} << 31;

    void Require(uint64_t offset, uint64_t width) const {
        if (!Fits(offset, width)) throw AppError(msg::kStreamRead);
    }

    std::span<const uint8_t> bytes_;
};
