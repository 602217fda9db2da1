#pragma once
// A drawing as the preview extraction reads it: a size known up front and bytes read where
// they lie, so that a preview costs the thumbnail and a few fields, not the whole file.
// Fields are bounds-checked against the size before anything is read (ByteReader.h's rule);
// a read that then fails or comes back short (the file shrank, a share went away) is the
// stream-read error, never a partial result.
#include <array>
#include <cstdint>
#include <span>

#include "ByteReader.h"

class ByteSource {
  public:
    virtual ~ByteSource() = default;
    ByteSource(const ByteSource&) = delete;
    ByteSource& operator=(const ByteSource&) = delete;

    uint64_t Size() const { return size_; }
    // Bytes handed out so far: what the extraction cost in reads.
    uint64_t BytesRead() const { return bytesRead_; }

    bool Fits(uint64_t offset, uint64_t width) const { return bytes::Fits(size_, offset, width); }

    // Fills `out` with the bytes at `offset`, all of them or the stream-read error.
    void Read(uint64_t offset, std::span<uint8_t> out) {
        bytes::Require(size_, offset, out.size());
        if (!ReadAt(offset, out)) throw AppError(ErrorKind::StreamRead);
        bytesRead_ += out.size();
    }

    uint8_t U8(uint64_t offset) { return Field<1>(offset)[0]; }
    uint16_t U16(uint64_t offset) { return bytes::LoadU16(Field<2>(offset).data()); }
    uint32_t U32(uint64_t offset) { return bytes::LoadU32(Field<4>(offset).data()); }
    int32_t I32(uint64_t offset) { return static_cast<int32_t>(U32(offset)); }
    uint32_t U32BigEndian(uint64_t offset) {
        return bytes::LoadU32BigEndian(Field<4>(offset).data());
    }

  protected:
    explicit ByteSource(uint64_t size) : size_(size) {}
    // Reads exactly out.size() bytes at `offset`, which lie inside Size(); false when they
    // cannot all be had.
    virtual bool ReadAt(uint64_t offset, std::span<uint8_t> out) = 0;

  private:
    template <std::size_t N>
    std::array<uint8_t, N> Field(uint64_t offset) {
        std::array<uint8_t, N> field{};
        Read(offset, field);
        return field;
    }

    uint64_t size_;
    uint64_t bytesRead_ = 0;
};

// Bytes already in memory: what the unit tests and fuzz targets hand the extraction.
class MemorySource final : public ByteSource {
  public:
    explicit MemorySource(std::span<const uint8_t> bytes)
        : ByteSource(bytes.size()), bytes_(bytes) {}

  private:
    bool ReadAt(uint64_t offset, std::span<uint8_t> out) override;
    std::span<const uint8_t> bytes_;
};
