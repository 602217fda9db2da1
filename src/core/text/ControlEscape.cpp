#include "text/ControlEscape.h"

std::string EscapeControls(std::string_view text, EscapeStyle style) {
    static const char kHex[] = "0123456789ABCDEF";
    const bool escapeBackslash = style == EscapeStyle::Bytes;
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || (byte == '\\' && escapeBackslash)) {
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        } else {
            out += c;
        }
    }
    return out;
}
