#include "ByteWriter.h"

#include <stdexcept>

namespace hlpc {

void ByteWriter::U16(std::uint16_t value) {
    U8(static_cast<std::uint8_t>(value & 0xFF));
    U8(static_cast<std::uint8_t>(value >> 8));
}

void ByteWriter::U32(std::uint32_t value) {
    U16(static_cast<std::uint16_t>(value & 0xFFFF));
    U16(static_cast<std::uint16_t>(value >> 16));
}

void ByteWriter::Append(const Bytes& bytes) {
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
}

void ByteWriter::Append(std::string_view text) {
    bytes_.insert(bytes_.end(), text.begin(), text.end());
}

void ByteWriter::CString(std::string_view text) {
    Append(text);
    U8(0);
}

void ByteWriter::CompressedU16(std::uint16_t value) {
    if (value < 0x80) {
        U8(static_cast<std::uint8_t>(value * 2));
    } else if (value < 0x8000) {
        U16(static_cast<std::uint16_t>(value * 2 + 1));
    } else {
        throw std::out_of_range("compressed unsigned short out of range");
    }
}

void ByteWriter::CompressedI16(std::int16_t value) {
    if (value >= -0x40 && value < 0x40) {
        U8(static_cast<std::uint8_t>((value + 0x40) * 2));
    } else if (value >= -0x4000 && value < 0x4000) {
        U16(static_cast<std::uint16_t>((value + 0x4000) * 2 + 1));
    } else {
        throw std::out_of_range("compressed signed short out of range");
    }
}

void ByteWriter::CompressedI32(std::int32_t value) {
    if (value >= -0x4000 && value < 0x4000) {
        U16(static_cast<std::uint16_t>((value + 0x4000) * 2));
    } else if (value >= -0x40000000 && value < 0x40000000) {
        U32(static_cast<std::uint32_t>(value + 0x40000000) * 2 + 1);
    } else {
        throw std::out_of_range("compressed signed long out of range");
    }
}

void ByteWriter::PatchU16(std::size_t at, std::uint16_t value) {
    if (at > bytes_.size() || bytes_.size() - at < 2) throw std::out_of_range("patch past end");
    bytes_[at] = static_cast<std::uint8_t>(value & 0xFF);
    bytes_[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void ByteWriter::PatchU32(std::size_t at, std::uint32_t value) {
    PatchU16(at, static_cast<std::uint16_t>(value & 0xFFFF));
    PatchU16(at + 2, static_cast<std::uint16_t>(value >> 16));
}

}  // namespace hlpc
