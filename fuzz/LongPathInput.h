#pragma once
// How the long-path target reads its input (the seed maker writes the same layout): pieces
// separated by zero bytes. The first piece's first byte picks the drive letter, or with its top
// bit set makes the rest of the input one raw path. Every further piece is a folder or file:
// a flag byte (bit 0: written as its short name) and then its long name, raw Shift-JIS bytes.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fuzz {

struct PathComponent {
    bool writtenShort = false;
    std::string longName;
};

struct LongPathInput {
    bool raw = false;
    std::string rawPath;
    char drive = 'C';
    std::vector<PathComponent> components;
};

inline LongPathInput ParseLongPathInput(std::string_view input) {
    LongPathInput parsed;
    if (input.empty()) return parsed;
    const auto first = static_cast<uint8_t>(input[0]);
    if (first & 0x80) {
        parsed.raw = true;
        parsed.rawPath = std::string(input.substr(1));
        return parsed;
    }
    parsed.drive = static_cast<char>('A' + first % 26);
    std::size_t pos = input.find('\0');
    while (pos != std::string_view::npos && pos + 1 < input.size()) {
        std::size_t end = input.find('\0', pos + 1);
        const std::string_view piece =
            input.substr(pos + 1, end == std::string_view::npos ? end : end - pos - 1);
        if (!piece.empty()) {
            parsed.components.push_back({(piece[0] & 1) != 0, std::string(piece.substr(1))});
        }
        pos = end;
    }
    return parsed;
}

inline std::string EncodeLongPathInput(const LongPathInput& input) {
    if (input.raw) return std::string(1, '\x80') + input.rawPath;
    std::string out(1, static_cast<char>(input.drive - 'A'));
    for (const PathComponent& component : input.components) {
        out += '\0';
        out += component.writtenShort ? '\1' : '\0';
        out += component.longName;
    }
    return out;
}

}  // namespace fuzz
