#pragma once
// DXF drawings made by the tests and the fuzz seeds: written as pairs of lines, then, where a
// test needs it, turned into the binary form (one-byte codes as R12 wrote them, or two-byte).
#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "dxf/DxfPairs.h"

namespace dxftest {

// "0\nSECTION\n2\nENTITIES\n..." from (code, value) lines; `eol` between lines.
inline std::string Ascii(const std::vector<std::pair<int, std::string>>& pairs,
                         const std::string& eol = "\n") {
    std::string out;
    for (const auto& [code, value] : pairs) out += std::to_string(code) + eol + value + eol;
    return out;
}

inline std::vector<std::pair<int, std::string>> PairsOf(const std::string& ascii) {
    std::vector<std::pair<int, std::string>> pairs;
    std::istringstream in(ascii);
    std::string code, value;
    while (std::getline(in, code) && std::getline(in, value))
        pairs.emplace_back(std::stoi(code), value);
    return pairs;
}

inline std::vector<uint8_t> Binary(const std::vector<std::pair<int, std::string>>& pairs,
                                   bool oneByteCodes) {
    static const char kSentinel[] = "AutoCAD Binary DXF\r\n\x1a";
    std::vector<uint8_t> out(kSentinel, kSentinel + sizeof kSentinel);
    const auto little = [&](uint64_t bits, int bytes) {
        for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(bits >> (8 * i)));
    };
    for (const auto& [code, value] : pairs) {
        if (!oneByteCodes) {
            little(static_cast<uint16_t>(code), 2);
        } else if (code < 255) {
            out.push_back(static_cast<uint8_t>(code));
        } else {
            out.push_back(255);
            little(static_cast<uint16_t>(code), 2);
        }
        switch (DxfTypeOf(code)) {
            case DxfType::String:
                out.insert(out.end(), value.begin(), value.end());
                out.push_back(0);
                break;
            case DxfType::Double: {
                const double real = std::stod(value);
                uint64_t bits;
                std::memcpy(&bits, &real, sizeof bits);
                little(bits, 8);
                break;
            }
            case DxfType::Int16:
                little(static_cast<uint64_t>(std::stoll(value)), 2);
                break;
            case DxfType::Int32:
                little(static_cast<uint64_t>(std::stoll(value)), 4);
                break;
            case DxfType::Int64:
                little(static_cast<uint64_t>(std::stoll(value)), 8);
                break;
            case DxfType::Bool:
                out.push_back(static_cast<uint8_t>(std::stoi(value)));
                break;
            case DxfType::Binary:
                out.push_back(static_cast<uint8_t>(value.size() / 2));
                for (std::size_t i = 0; i + 1 < value.size(); i += 2) {
                    out.push_back(static_cast<uint8_t>(std::stoi(value.substr(i, 2), nullptr, 16)));
                }
                break;
        }
    }
    return out;
}

inline std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

}  // namespace dxftest
