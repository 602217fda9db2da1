#pragma once
// Little-endian assembly of the help file's binary structures. Every multi-byte field of the
// format is little-endian; the "compressed" forms are the variable-length integers that topic
// records use in their paragraph data.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace hlpc {

using Bytes = std::vector<std::uint8_t>;

class ByteWriter {
  public:
    void U8(std::uint8_t value) { bytes_.push_back(value); }
    void U16(std::uint16_t value);
    void U32(std::uint32_t value);
    void I16(std::int16_t value) { U16(static_cast<std::uint16_t>(value)); }
    void I32(std::int32_t value) { U32(static_cast<std::uint32_t>(value)); }
    void Append(const Bytes& bytes);
    void Append(std::string_view text);
    // The text followed by its terminating zero byte.
    void CString(std::string_view text);
    void Zeros(std::size_t count) { bytes_.insert(bytes_.end(), count, 0); }

    // Variable-length forms: the low bit of the first byte tells the long form.
    void CompressedU16(std::uint16_t value);  // 1 byte below 128, else 2 (max 32767)
    void CompressedI16(std::int16_t value);   // 1 byte in -64..63, else 2 (-16384..16383)
    void CompressedI32(std::int32_t value);   // 2 bytes in -16384..16383, else 4

    void PatchU16(std::size_t at, std::uint16_t value);
    void PatchU32(std::size_t at, std::uint32_t value);

    std::size_t Size() const { return bytes_.size(); }
    const Bytes& Data() const { return bytes_; }
    Bytes Take() { return std::move(bytes_); }

  private:
    Bytes bytes_;
};

}  // namespace hlpc
