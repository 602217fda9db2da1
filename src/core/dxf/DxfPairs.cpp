#include "DxfPairs.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "Error.h"
#include "preview/ByteSource.h"

namespace {

constexpr char kSentinel[] = "AutoCAD Binary DXF\r\n\x1a";  // and its NUL: 22 bytes
constexpr std::size_t kSentinelSize = sizeof kSentinel;

[[noreturn]] void Damaged(const char* what) { throw AppError::DamagedDxf(what); }

bool In(int code, int low, int high) { return code >= low && code <= high; }

std::string_view Trimmed(std::string_view s) {
    std::size_t first = 0, last = s.size();
    while (first < last && (s[first] == ' ' || s[first] == '\t')) ++first;
    while (last > first && (s[last - 1] == ' ' || s[last - 1] == '\t')) --last;
    return s.substr(first, last - first);
}

int64_t ParseInteger(std::string_view s, int64_t low, int64_t high) {
    s = Trimmed(s);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    int64_t value = 0;
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (s.empty() || error != std::errc() || end != s.data() + s.size()) Damaged("integer");
    if (value < low || value > high) Damaged("integer range");
    return value;
}

// A group code: most are one to four digits after padding, read here without from_chars.
int64_t ParseCode(std::string_view s) {
    std::size_t at = 0;
    while (at < s.size() && s[at] == ' ') ++at;
    int64_t value = 0;
    const std::size_t digits = s.size() - at;
    if (digits == 0 || digits > 4) return ParseInteger(s, INT16_MIN, INT16_MAX);
    for (; at < s.size(); ++at) {
        if (s[at] < '0' || s[at] > '9') return ParseInteger(s, INT16_MIN, INT16_MAX);
        value = value * 10 + (s[at] - '0');
    }
    return value;
}

double Finite(double value) {
    if (!std::isfinite(value)) Damaged("not a finite number");
    return value;
}

double ParseDouble(std::string_view s) {
    s = Trimmed(s);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    double value = 0;
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (s.empty() || error != std::errc() || end != s.data() + s.size()) Damaged("number");
    return Finite(value);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    Damaged("hex digit");
}

// The range a value of each integer type may hold: signed or unsigned readings of its width,
// as writers differ.
int64_t LowOf(DxfType type) {
    return type == DxfType::Int16   ? INT16_MIN
           : type == DxfType::Int32 ? INT32_MIN
           : type == DxfType::Bool  ? 0
                                    : std::numeric_limits<int64_t>::min();
}
int64_t HighOf(DxfType type) {
    return type == DxfType::Int16   ? UINT16_MAX
           : type == DxfType::Int32 ? UINT32_MAX
           : type == DxfType::Bool  ? 255
                                    : std::numeric_limits<int64_t>::max();
}

}  // namespace

DxfType DxfTypeOf(int code) {
    if (In(code, 10, 59) || In(code, 110, 149) || In(code, 210, 239) || In(code, 460, 469) ||
        In(code, 1010, 1059)) {
        return DxfType::Double;
    }
    if (In(code, 60, 79) || In(code, 170, 179) || In(code, 270, 289) || In(code, 370, 389) ||
        In(code, 400, 409) || In(code, 1060, 1070)) {
        return DxfType::Int16;
    }
    if (In(code, 90, 99) || In(code, 420, 429) || In(code, 440, 459) || code == 1071) {
        return DxfType::Int32;
    }
    if (In(code, 160, 169)) return DxfType::Int64;
    if (In(code, 290, 299)) return DxfType::Bool;
    if (In(code, 310, 319) || code == 1004) return DxfType::Binary;
    return DxfType::String;
}

DxfPairReader::DxfPairReader(ByteSource& source) : cursor_(source) {
    char head[kSentinelSize + 2] = {};
    const uint64_t have = source.Size() < sizeof head ? source.Size() : sizeof head;
    source.Read(0, std::span(reinterpret_cast<uint8_t*>(head), static_cast<std::size_t>(have)));
    if (have >= kSentinelSize && std::memcmp(head, kSentinel, kSentinelSize) == 0) {
        format_ = DxfFormat::Binary;
        // The first pair is (0, "SECTION") or a 999 comment. One-byte codes give 00 'S' or
        // FF E7 03; two-byte ones 00 00 or E7 03.
        const auto first = static_cast<uint8_t>(head[kSentinelSize]);
        const auto second = static_cast<uint8_t>(head[kSentinelSize + 1]);
        shortCodes_ = have > kSentinelSize + 1 && (first == 255 || (first == 0 && second != 0));
        cursor_.Seek(kSentinelSize);
    } else if (have >= 3 && std::memcmp(head, "\xEF\xBB\xBF", 3) == 0) {
        cursor_.Seek(3);  // a UTF-8 byte order mark
    }
}

void DxfPairReader::Seek(uint64_t offset) {
    putBack_ = false;
    cursor_.Seek(offset);
}

bool DxfPairReader::Next(DxfPair& pair) {
    if (putBack_) {
        putBack_ = false;
        pair = last_;
        return true;
    }
    pairStart_ = cursor_.Position();
    const bool read = format_ == DxfFormat::Ascii ? NextAscii(pair) : NextBinary(pair);
    if (read) last_ = pair;
    return read;
}

bool DxfPairReader::NextAscii(DxfPair& pair) {
    if (!cursor_.Line(line_)) return false;
    // Blank lines between pairs appear at the ends of files written by hand.
    if (Trimmed(line_).empty()) {
        while (cursor_.Line(line_) && Trimmed(line_).empty()) {
        }
        if (Trimmed(line_).empty()) return false;
    }
    pair.code = static_cast<int32_t>(ParseCode(line_));
    pair.type = DxfTypeOf(pair.code);
    if (!cursor_.Line(line_)) Damaged("value missing");
    pair.text.clear();
    pair.real = 0;
    pair.integer = 0;
    switch (pair.type) {
        case DxfType::String:
            pair.text = line_;
            break;
        case DxfType::Double:
            pair.real = ParseDouble(line_);
            break;
        case DxfType::Binary: {
            const std::string_view hex = Trimmed(line_);
            if (hex.size() % 2 != 0) Damaged("odd hex");
            for (std::size_t i = 0; i < hex.size(); i += 2) {
                pair.text.push_back(
                    static_cast<char>(HexDigit(hex[i]) << 4 | HexDigit(hex[i + 1])));
            }
            break;
        }
        default:
            pair.integer = ParseInteger(line_, LowOf(pair.type), HighOf(pair.type));
    }
    return true;
}

bool DxfPairReader::NextBinary(DxfPair& pair) {
    if (cursor_.AtEnd()) return false;
    const auto u16 = [&] {
        const uint8_t low = cursor_.Byte();
        return static_cast<uint16_t>(low | cursor_.Byte() << 8);
    };
    if (shortCodes_) {
        const uint8_t code = cursor_.Byte();
        pair.code = code == 255 ? static_cast<int16_t>(u16()) : code;
    } else {
        pair.code = static_cast<int16_t>(u16());
    }
    pair.type = DxfTypeOf(pair.code);
    pair.text.clear();
    pair.real = 0;
    pair.integer = 0;
    uint64_t bits = 0;
    const auto little = [&](int bytes) {
        uint8_t field[8];
        cursor_.Copy(field, static_cast<std::size_t>(bytes));
        bits = 0;
        for (int i = 0; i < bytes; ++i) bits |= uint64_t{field[i]} << (8 * i);
    };
    switch (pair.type) {
        case DxfType::String:
            cursor_.Terminated(pair.text);
            break;
        case DxfType::Double: {
            little(8);
            double value;
            std::memcpy(&value, &bits, sizeof value);
            pair.real = Finite(value);
            break;
        }
        case DxfType::Int16:
            little(2);
            pair.integer = static_cast<int16_t>(bits);
            break;
        case DxfType::Int32:
            little(4);
            pair.integer = static_cast<int32_t>(bits);
            break;
        case DxfType::Int64:
            little(8);
            pair.integer = static_cast<int64_t>(bits);
            break;
        case DxfType::Bool:
            pair.integer = cursor_.Byte();
            break;
        case DxfType::Binary:
            cursor_.Bytes(cursor_.Byte(), pair.text);
            break;
    }
    return true;
}
