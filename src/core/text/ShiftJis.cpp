#include "text/ShiftJis.h"

// Every helper walks the text from its start, one character (one or two bytes) at a time:
// a trail byte can only be told from a single-byte character by the bytes before it.

bool IsLeadByte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

namespace {

// Length of the character starting at `index`; a lead byte at the very end counts as one.
std::size_t CharLength(std::string_view text, std::size_t index) {
    if (IsLeadByte(static_cast<unsigned char>(text[index])) && index + 1 < text.size()) return 2;
    return 1;
}

// Index of the last character start at which `accept` holds, or npos.
template <typename Pred>
std::size_t LastCharWhere(std::string_view text, Pred accept) {
    std::size_t found = std::string_view::npos;
    for (std::size_t i = 0; i < text.size(); i += CharLength(text, i)) {
        if (accept(text[i])) found = i;
    }
    return found;
}

bool IsSeparator(char c) { return c == '\\' || c == ':'; }

// Index of the "." that starts the extension, or npos.
std::size_t ExtensionStart(std::string_view path) {
    const std::size_t at = LastCharWhere(path, [](char c) { return c == '.' || IsSeparator(c); });
    if (at == std::string_view::npos || path[at] != '.') return std::string_view::npos;
    return at;
}

}  // namespace

bool IsCharStart(std::string_view text, std::size_t index) {
    std::size_t i = 0;
    while (i < index && i < text.size()) i += CharLength(text, i);
    return i == index;
}

std::size_t LastSeparator(std::string_view path) { return LastCharWhere(path, IsSeparator); }

std::string ExtractFileExt(std::string_view path) {
    const std::size_t at = ExtensionStart(path);
    return at == std::string_view::npos ? std::string() : std::string(path.substr(at));
}

std::string ExtractFileName(std::string_view path) {
    const std::size_t sep = LastSeparator(path);
    return std::string(sep == std::string_view::npos ? path : path.substr(sep + 1));
}

std::string ExtractFileTitle(std::string_view path) {
    const std::string name = ExtractFileName(path);
    const std::size_t at = ExtensionStart(name);
    return at == std::string_view::npos ? name : name.substr(0, at);
}

std::string ChangeFileExt(std::string_view path, std::string_view ext) {
    const std::size_t at = ExtensionStart(path);
    std::string result(at == std::string_view::npos ? path : path.substr(0, at));
    result += ext;
    return result;
}

std::string ExtractFileDir(std::string_view path) {
    const std::size_t sep = LastSeparator(path);
    if (sep == std::string_view::npos) return {};
    std::size_t length = sep + 1;
    // A "\" right after a drive's ":" or another "\" is the root and stays; a trail byte
    // before it (as in 表\) is part of a name, so the "\" goes like any other.
    if (path[sep] == '\\' && sep > 0) {
        const bool rootAfter =
            (path[sep - 1] == ':' || path[sep - 1] == '\\') && IsCharStart(path, sep - 1);
        if (!rootAfter) length = sep;
    }
    return std::string(path.substr(0, length));
}

bool EndsWithSeparator(std::string_view path) {
    return !path.empty() && path.back() == '\\' && IsCharStart(path, path.size() - 1);
}

bool IsDrawingFileName(std::string_view path) {
    std::string ext = ExtractFileExt(path);
    for (char& c : ext) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return ext == ".dwg";
}

bool IsRelativePath(std::string_view path) {
    if (path.empty()) return false;
    if (path[0] == '\\') return false;  // \\server\share, or the current drive's root
    const bool drive = path.size() >= 2 && path[1] == ':';
    return !(drive && path.size() >= 3 && path[2] == '\\');
}
