#include "DxfTextDecode.h"

#include <cstdint>

#include "text/AnsiCodePages.h"
#include "text/ShiftJis.h"

namespace {

enum class Encoding { Ansi, ShiftJis, DoubleByte, Utf8 };

struct Page {
    Encoding encoding = Encoding::Ansi;
    int number = 1252;  // for Ansi: 1250-1258, or 0 for Latin-1
};

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Upper(a[i]) != Upper(b[i])) return false;
    }
    return true;
}

Page PageOf(std::string_view name) {
    if (SameName(name, "UTF-8") || SameName(name, "UTF8")) return {Encoding::Utf8, 0};
    if (SameName(name, "ISO8859-1")) return {Encoding::Ansi, 0};
    for (std::string_view prefix : {"ANSI_", "DOS"}) {
        if (name.size() <= prefix.size() || !SameName(name.substr(0, prefix.size()), prefix)) {
            continue;
        }
        int number = 0;
        for (char c : name.substr(prefix.size())) {
            if (c < '0' || c > '9' || number > 9999) return {};
            number = number * 10 + (c - '0');
        }
        if (number == 932) return {Encoding::ShiftJis, 932};
        if (number == 936 || number == 949 || number == 950 || number == 1361) {
            return {Encoding::DoubleByte, number};
        }
        if (number >= 1250 && number <= 1258) return {Encoding::Ansi, number};
        return {};
    }
    return {};
}

// One UTF-8 sequence at `i`, advancing past it; U+FFFD for a malformed one, whose first byte
// alone is skipped.
char32_t NextUtf8(std::string_view bytes, std::size_t& i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char lead = byte(i++);
    if (lead < 0x80) return lead;
    int extra = 0;
    char32_t value = 0, least = 0;
    if (lead >= 0xC2 && lead <= 0xDF)
        extra = 1, value = lead & 0x1F, least = 0x80;
    else if (lead >= 0xE0 && lead <= 0xEF)
        extra = 2, value = lead & 0x0F, least = 0x800;
    else if (lead >= 0xF0 && lead <= 0xF4)
        extra = 3, value = lead & 0x07, least = 0x10000;
    else
        return 0xFFFD;
    if (bytes.size() - i < static_cast<std::size_t>(extra)) return 0xFFFD;
    for (int k = 0; k < extra; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0xFFFD;
        value = (value << 6) | (byte(i + k) & 0x3F);
    }
    if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0xFFFD;
    i += extra;
    return value;
}

char32_t NextDoubleByte(std::string_view bytes, std::size_t& i, const Page& page) {
    const unsigned char lead = static_cast<unsigned char>(bytes[i++]);
    if (lead < 0x80) return lead;
    const bool isLead = page.encoding == Encoding::ShiftJis ? IsLeadByte(lead) : lead != 0xFF;
    if (!isLead) {
        // Shift-JIS's single-byte katakana sit at U+FF61-U+FF9F in the same order.
        if (page.encoding == Encoding::ShiftJis && lead >= 0xA1 && lead <= 0xDF) {
            return 0xFF61 + (lead - 0xA1);
        }
        return 0xFFFD;
    }
    if (i == bytes.size()) return 0xFFFD;
    ++i;  // the trail byte: which character it makes does not matter to a box
    return kWideUnknown;
}

int HexDigit(char32_t c) {
    if (c >= '0' && c <= '9') return static_cast<int>(c - '0');
    if (c >= 'A' && c <= 'F') return static_cast<int>(c - 'A' + 10);
    if (c >= 'a' && c <= 'f') return static_cast<int>(c - 'a' + 10);
    return -1;
}

// The value of `count` hex digits at `at`, or -1.
int32_t HexAt(std::u32string_view raw, std::size_t at, std::size_t count) {
    if (raw.size() < at || raw.size() - at < count) return -1;
    int32_t value = 0;
    for (std::size_t k = 0; k < count; ++k) {
        const int digit = HexDigit(raw[at + k]);
        if (digit < 0) return -1;
        value = value * 16 + digit;
    }
    return value;
}

// True when the character at `at` is `c`, letters in either case.
bool Is(std::u32string_view raw, std::size_t at, char c) {
    if (at >= raw.size() || raw[at] > 0x7F) return false;
    return Upper(static_cast<char>(raw[at])) == Upper(c);
}

// The escapes TEXT and MTEXT share, at `i`: \U+XXXX, \M+nXXXX, %%x and %%nnn, ^x. Appends
// what one stands for (maybe nothing), moves `i` past it and says true; false when none
// starts at `i`.
bool SharedEscape(std::u32string_view raw, std::size_t& i, const Page& page, std::u32string& out) {
    const char32_t c = raw[i];
    if (c == '\\' && Is(raw, i + 1, 'U') && Is(raw, i + 2, '+')) {
        const int32_t value = HexAt(raw, i + 3, 4);
        if (value < 0) return false;
        out += (value >= 0xD800 && value <= 0xDFFF) ? char32_t{0xFFFD} : char32_t(value);
        i += 7;
        return true;
    }
    if (c == '\\' && Is(raw, i + 1, 'M') && Is(raw, i + 2, '+')) {
        if (HexAt(raw, i + 3, 1) < 0 || HexAt(raw, i + 4, 4) < 0) return false;
        out += kWideUnknown;
        i += 8;
        return true;
    }
    if (c == '%' && i + 2 < raw.size() && raw[i + 1] == '%') {
        const char32_t code = raw[i + 2];
        int number = 0;
        std::size_t digits = 0;
        while (digits < 3 && i + 2 + digits < raw.size() && raw[i + 2 + digits] >= '0' &&
               raw[i + 2 + digits] <= '9') {
            number = number * 10 + static_cast<int>(raw[i + 2 + digits] - '0');
            ++digits;
        }
        if (digits == 3) {
            if (number < 256) {
                out += page.encoding == Encoding::Ansi
                           ? AnsiToUnicode(page.number, static_cast<unsigned char>(number))
                           : char32_t(number < 128 ? number : 0xFFFD);
            }
            i += 5;
            return true;
        }
        if (Is(raw, i + 2, 'c'))
            out += char32_t{0x2300};
        else if (Is(raw, i + 2, 'd'))
            out += char32_t{0xB0};
        else if (Is(raw, i + 2, 'p'))
            out += char32_t{0xB1};
        else if (code == '%')
            out += char32_t{'%'};
        else if (!Is(raw, i + 2, 'u') && !Is(raw, i + 2, 'o'))
            return false;
        i += 3;
        return true;
    }
    if (c == '^' && i + 1 < raw.size()) {
        const char32_t next = raw[i + 1];
        if (next == ' ')
            out += char32_t{'^'};
        else if (next >= '@' && next <= '_')
            out += next - '@';
        else
            return false;
        i += 2;
        return true;
    }
    return false;
}

// Appends while the text's character budget lasts.
void Append(std::u32string& line, char32_t c, std::size_t& budget) {
    if (budget == 0) return;
    --budget;
    line += c;
}

}  // namespace

std::u32string DecodeCodePage(std::string_view bytes, std::string_view codePage) {
    const Page page = PageOf(codePage);
    std::u32string out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        switch (page.encoding) {
            case Encoding::Utf8:
                out += NextUtf8(bytes, i);
                break;
            case Encoding::ShiftJis:
            case Encoding::DoubleByte:
                out += NextDoubleByte(bytes, i, page);
                break;
            case Encoding::Ansi:
                out += AnsiToUnicode(page.number, static_cast<unsigned char>(bytes[i++]));
                break;
        }
    }
    return out;
}

std::u32string TextCharacters(std::u32string_view raw, std::string_view codePage) {
    const Page page = PageOf(codePage);
    std::u32string out;
    for (std::size_t i = 0; i < raw.size() && out.size() < kMaxTextChars;) {
        if (!SharedEscape(raw, i, page, out)) out += raw[i++];
    }
    if (out.size() > kMaxTextChars) out.resize(kMaxTextChars);
    return out;
}

std::vector<std::u32string> MtextLines(std::u32string_view raw, std::string_view codePage) {
    const Page page = PageOf(codePage);
    std::vector<std::u32string> lines(1);
    std::size_t budget = kMaxTextChars;
    const auto newLine = [&] {
        if (budget > 0) --budget, lines.emplace_back();
    };
    // Past a code's parameters, up to and including its ";" (to the end if it has none).
    const auto skipParameters = [&](std::size_t& i) {
        while (i < raw.size() && raw[i] != ';') ++i;
        if (i < raw.size()) ++i;
    };
    std::size_t i = 0;
    while (i < raw.size() && budget > 0) {
        const char32_t c = raw[i];
        if (c == '{' || c == '}') {
            ++i;
            continue;
        }
        if (c != '\\') {
            std::u32string shared;
            if (SharedEscape(raw, i, page, shared)) {
                for (char32_t s : shared) {
                    if (s == '\n')
                        newLine();
                    else if (s == '\t')
                        Append(lines.back(), ' ', budget);
                    else
                        Append(lines.back(), s, budget);
                }
            } else {
                Append(lines.back(), c, budget), ++i;
            }
            continue;
        }
        if (SharedEscape(raw, i, page, lines.back())) {
            --budget;  // an escape gives one character
            continue;
        }
        if (i + 1 == raw.size()) break;
        const char32_t code = raw[i + 1];
        i += 2;
        switch (code) {
            case 'P':
            case 'N':
            case 'X':
                newLine();
                break;
            case '~':
                Append(lines.back(), ' ', budget);
                break;
            case '\\':
            case '{':
            case '}':
                Append(lines.back(), code, budget);
                break;
            case 'L':
            case 'l':
            case 'O':
            case 'o':
            case 'K':
            case 'k':
                break;
            case 'S': {
                // a^b, a/b, a#b: the stacked parts side by side with a slash between.
                std::u32string upper, lower;
                bool below = false;
                for (; i < raw.size() && raw[i] != ';'; ++i) {
                    const char32_t s = raw[i];
                    if (s == '\\' && i + 1 < raw.size())
                        ++i;
                    else if (s == '^' || s == '/' || s == '#') {
                        below = true;
                        continue;
                    }
                    (below ? lower : upper) += raw[i];
                }
                if (i < raw.size()) ++i;
                for (char32_t s : upper) Append(lines.back(), s, budget);
                if (!upper.empty() && !lower.empty()) Append(lines.back(), '/', budget);
                for (char32_t s : lower) Append(lines.back(), s, budget);
                break;
            }
            default:
                // \f \F \H \W \C \c \Q \T \A \p and the like: a setting up to ";".
                if ((code >= 'A' && code <= 'Z') || (code >= 'a' && code <= 'z')) {
                    skipParameters(i);
                } else {
                    Append(lines.back(), code, budget);
                }
        }
    }
    return lines;
}
