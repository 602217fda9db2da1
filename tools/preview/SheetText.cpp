#include "SheetText.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <optional>

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

void AppendByteEscape(std::string& out, unsigned char byte) {
    out += "\\x";
    out += kHex[byte >> 4];
    out += kHex[byte & 15];
}

bool IsControl(unsigned char byte) { return byte < 0x20 || byte == 0x7F; }

// Length of the well-formed UTF-8 sequence at `at` (no overlong forms, no surrogates,
// nothing past U+10FFFF), or 0.
std::size_t Utf8Length(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[at + k]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) return 1;
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // the second byte's range
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (text.size() - at < length) return 0;
    if (byte(1) < low || byte(1) > high) return 0;
    for (std::size_t k = 2; k < length; ++k) {
        if (byte(k) < 0x80 || byte(k) > 0xBF) return 0;
    }
    return length;
}

bool IsUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = Utf8Length(text, i);
        if (length == 0) return false;
        i += length;
    }
    return true;
}

// The whole text converted, or nothing when any byte does not convert.
std::optional<std::string> Convert(std::string_view text, const char* from) {
    iconv_t cd = iconv_open("UTF-8", from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string out;
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    bool ok = true;
    while (ok && inLeft > 0) {
        char buffer[256];
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        const size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<size_t>(outPtr - buffer));
        ok = result != static_cast<size_t>(-1) || errno == E2BIG;
    }
    iconv_close(cd);
    if (!ok) return std::nullopt;
    return out;
}

std::string WithoutControls(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (IsControl(byte)) {
            AppendByteEscape(out, byte);
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

std::string HtmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string PercentEncodePath(std::string_view path) {
    std::string out;
    out.reserve(path.size());
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                           (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' ||
                           byte == '_' || byte == '~' || byte == '/';
        if (plain) {
            out += c;
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        }
    }
    return out;
}

std::string TextForPage(std::string_view text) {
    if (IsUtf8(text)) return WithoutControls(text);
    if (auto converted = Convert(text, "CP932")) return WithoutControls(*converted);
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80 || IsControl(byte)) {
            AppendByteEscape(out, byte);
        } else {
            out += c;
        }
    }
    return out;
}

std::string PathForPage(std::string_view path) {
    std::string out;
    for (std::size_t start = 0;;) {
        const std::size_t slash = path.find('/', start);
        out += TextForPage(path.substr(start, slash - start));
        if (slash == std::string_view::npos) return out;
        out += '/';
        start = slash + 1;
    }
}

std::string ShiftJisToUtf8(std::string_view text) {
    if (auto converted = Convert(text, "CP932")) return *converted;
    return TextForPage(text);
}
