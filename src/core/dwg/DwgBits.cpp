#include "dwg/DwgBits.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

double DoubleOf(uint64_t bits) {
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}
uint64_t BitsOf(double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

}  // namespace

uint64_t DwgHandleRef::Resolve(uint64_t from) const {
    switch (code) {
        case 6:
            return from + 1;
        case 8:
            return from - 1;
        case 10:
            return from + value;
        case 12:
            return from - value;
        default:
            return value;
    }
}

void DwgBits::Seek(uint64_t bit) {
    if (bit > End()) {
        overrun_ = true;
        bit_ = End();
        return;
    }
    bit_ = bit;
}

uint32_t DwgBits::Bits(int count) {
    if (static_cast<uint64_t>(count) > Left()) {
        overrun_ = true;
        bit_ = End();
        return 0;
    }
    // A byte's worth at a time: the rest of the current byte, whole bytes, then the first bits
    // of the last.
    uint32_t value = 0;
    for (int left = count; left > 0;) {
        const uint8_t byte = bytes_[static_cast<std::size_t>(bit_ >> 3)];
        const int offset = static_cast<int>(bit_ & 7);
        const int take = std::min(8 - offset, left);
        value = value << take | ((byte >> (8 - offset - take)) & ((1u << take) - 1));
        bit_ += static_cast<uint64_t>(take);
        left -= take;
    }
    return value;
}

uint8_t DwgBits::ThreeB() {
    uint8_t value = 0;
    for (int i = 0; i < 3; ++i) {
        const bool bit = B();
        value = static_cast<uint8_t>(value << 1 | (bit ? 1 : 0));
        if (!bit) break;
    }
    return value;
}

uint16_t DwgBits::RS() {
    const uint16_t low = RC();
    return static_cast<uint16_t>(low | RC() << 8);
}

uint32_t DwgBits::RL() {
    const uint32_t low = RS();
    return low | static_cast<uint32_t>(RS()) << 16;
}

double DwgBits::RD() {
    const uint64_t low = RL();
    return DoubleOf(low | static_cast<uint64_t>(RL()) << 32);
}

uint16_t DwgBits::BS() {
    switch (BB()) {
        case 0:
            return RS();
        case 1:
            return RC();
        case 2:
            return 0;
        default:
            return 256;
    }
}

uint16_t DwgBits::OT() {
    switch (BB()) {
        case 0:
            return RC();
        case 1:
            return static_cast<uint16_t>(RC() + 0x1F0);
        default:
            return RS();
    }
}

uint32_t DwgBits::BL() {
    switch (BB()) {
        case 0:
            return RL();
        case 1:
            return RC();
        default:
            return 0;  // 11 is not used
    }
}

uint64_t DwgBits::BLL() {
    const int count = static_cast<int>(Bits(3));
    uint64_t value = 0;
    for (int i = 0; i < count; ++i) value |= static_cast<uint64_t>(RC()) << (8 * i);
    return value;
}

double DwgBits::BD() {
    switch (BB()) {
        case 0:
            return RD();
        case 1:
            return 1.0;
        default:
            return 0.0;  // 10, and 11 which is not used
    }
}

double DwgBits::DD(double fallback) {
    uint64_t bits = BitsOf(fallback);
    switch (BB()) {
        case 0:
            return fallback;
        case 1: {
            bits = (bits & ~uint64_t{0xFFFFFFFF}) | RL();
            return DoubleOf(bits);
        }
        case 2: {
            const uint64_t middle = RS();
            const uint64_t low = RL();
            bits = (bits & ~uint64_t{0xFFFFFFFFFFFF}) | middle << 32 | low;
            return DoubleOf(bits);
        }
        default:
            return RD();
    }
}

int64_t DwgBits::MC() {
    uint64_t value = 0;
    for (int shift = 0; shift < 63; shift += 7) {
        const uint8_t byte = RC();
        if (byte & 0x80) {
            value |= static_cast<uint64_t>(byte & 0x7F) << shift;
            continue;
        }
        value |= static_cast<uint64_t>(byte & 0x3F) << shift;
        const auto magnitude = static_cast<int64_t>(value & (UINT64_MAX >> 1));
        return (byte & 0x40) ? -magnitude : magnitude;
    }
    overrun_ = true;  // longer than any 64-bit value
    return 0;
}

uint64_t DwgBits::UMC() {
    uint64_t value = 0;
    for (int shift = 0; shift < 63; shift += 7) {
        const uint8_t byte = RC();
        value |= static_cast<uint64_t>(byte & 0x7F) << shift;
        if (!(byte & 0x80)) return value;
    }
    overrun_ = true;
    return 0;
}

uint64_t DwgBits::MS() {
    uint64_t value = 0;
    for (int shift = 0; shift < 60; shift += 15) {
        const uint16_t word = RS();
        value |= static_cast<uint64_t>(word & 0x7FFF) << shift;
        if (!(word & 0x8000)) return value;
    }
    overrun_ = true;
    return 0;
}

DwgHandleRef DwgBits::H() {
    DwgHandleRef ref;
    const uint8_t head = RC();
    ref.code = head >> 4;
    const int count = head & 0x0F;
    if (count > 8) {
        overrun_ = true;  // no handle is wider than 64 bits
        return {};
    }
    for (int i = 0; i < count; ++i) ref.value = ref.value << 8 | RC();
    return ref;
}

bool DwgBits::StringsEndingAt(uint64_t end) {
    if (end == 0 || end > End()) return false;
    DwgBits probe = *this;
    probe.Seek(end - 1);
    if (!probe.B()) {
        UseStrings(end, end);
        return true;
    }
    if (end < 17) return false;
    uint64_t at = end - 17;
    probe.Seek(at);
    uint64_t size = probe.RS();
    if (size & 0x8000) {
        if (at < 16) return false;
        at -= 16;
        probe.Seek(at);
        size = (size & 0x7FFF) | uint64_t{probe.RS()} << 15;
    }
    if (size > at || probe.Overrun()) return false;
    UseStrings(at - size, at);
    return true;
}

std::string DwgBits::TU() {
    // Read at the string stream's position, within its end; an overrun there spoils the object.
    // Texts past the stream's end are empty: objects without strings have no stream at all.
    if (stringBit_ >= stringEnd_) return {};
    const uint64_t bit = bit_, end = end_;
    bit_ = stringBit_;
    end_ = stringEnd_;
    const uint16_t length = BS();
    std::string text;
    if (uint64_t{length} * 16 > Left()) {
        overrun_ = true;
        bit_ = end_;
    }
    for (uint16_t i = 0; i < length && !overrun_; ++i) {
        const uint16_t unit = RS();
        if (unit == 0) {  // a counted zero ends the text; the rest is still passed over
            bit_ += (uint64_t{length} - i - 1) * 16;
            break;
        }
        if (unit < 0x80) {
            text += static_cast<char>(unit);
            continue;
        }
        static const char kHex[] = "0123456789ABCDEF";
        text += "\\U+";
        for (int shift = 12; shift >= 0; shift -= 4) text += kHex[unit >> shift & 15];
    }
    stringBit_ = bit_;
    bit_ = bit;
    end_ = end;
    return text;
}

std::string DwgBits::TV() {
    if (strings_) return TU();
    const uint16_t length = BS();
    if (uint64_t{length} * 8 > Left()) {
        overrun_ = true;
        bit_ = End();
        return {};
    }
    std::string text(length, '\0');
    for (auto& c : text) c = static_cast<char>(RC());
    // Writers end some strings with a zero they count: the text stops there.
    const auto zero = text.find('\0');
    if (zero != std::string::npos) text.resize(zero);
    return text;
}

int DwgBits::CMC(std::optional<uint32_t>* trueColour) {
    const int index = static_cast<int16_t>(BS());
    if (!R2004()) return index;
    const uint32_t rgb = BL();
    const uint8_t names = RC();
    if (names & 1) TV();
    if (names & 2) TV();
    switch (rgb >> 24) {
        case 0xC0:
            return 0;
        case 0xC1:
            return 256;
        case 0xC3:
            return static_cast<int>(rgb & 0xFF);
        case 0xC2:
            if (trueColour) *trueColour = rgb & 0xFFFFFF;
            return index ? index : 7;
        default:
            return index;
    }
}

double DwgBits::BT() {
    if (R2000() && B()) return 0.0;
    return BD();
}

DxfPoint DwgBits::BE() {
    if (R2000() && B()) return {0, 0, 1};
    return BD3();
}

DxfPoint DwgBits::RD2() {
    DxfPoint p;
    p.x = RD();
    p.y = RD();
    return p;
}
DxfPoint DwgBits::RD3() {
    DxfPoint p = RD2();
    p.z = RD();
    return p;
}
DxfPoint DwgBits::BD2() {
    DxfPoint p;
    p.x = BD();
    p.y = BD();
    return p;
}
DxfPoint DwgBits::BD3() {
    DxfPoint p = BD2();
    p.z = BD();
    return p;
}
DxfPoint DwgBits::DD2(const DxfPoint& fallback) {
    DxfPoint p;
    p.x = DD(fallback.x);
    p.y = DD(fallback.y);
    return p;
}
DxfPoint DwgBits::DD3(const DxfPoint& fallback) {
    DxfPoint p = DD2(fallback);
    p.z = DD(fallback.z);
    return p;
}

namespace {

constexpr std::array<uint16_t, 256> kCrcTable = [] {
    std::array<uint16_t, 256> table{};
    for (unsigned byte = 0; byte < 256; ++byte) {
        uint16_t crc = static_cast<uint16_t>(byte);
        for (int i = 0; i < 8; ++i) {
            crc = (crc & 1) ? static_cast<uint16_t>(crc >> 1 ^ 0xA001)
                            : static_cast<uint16_t>(crc >> 1);
        }
        table[byte] = crc;
    }
    return table;
}();

}  // namespace

uint16_t DwgCrc(std::span<const uint8_t> bytes, uint16_t seed) {
    uint16_t crc = seed;
    for (const uint8_t byte : bytes)
        crc = static_cast<uint16_t>(crc >> 8 ^ kCrcTable[(crc ^ byte) & 0xFF]);
    return crc;
}
