// Line output and argument parsing shared by every command.
#include "Driver.h"

#include <cstdio>
#include <cstdlib>

namespace olxdriver {

namespace {

bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
bool IsTrailByte(unsigned char c) { return c >= 0x40 && c <= 0xFC && c != 0x7F; }

void AppendByteEscape(std::string& out, unsigned char c) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "\\x%02x", c);
    out += buf;
}

}  // namespace

Failure LastError(std::string_view what) {
    return Failure(std::string(what) + ": error " + std::to_string(GetLastError()));
}

// Double-byte characters pass whole, so their 0x5C second bytes are never doubled; a lead
// byte without a valid second byte is escaped so the output always decodes as cp932.
std::string Escape(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (IsLeadByte(c)) {
            if (i + 1 < s.size() && IsTrailByte(static_cast<unsigned char>(s[i + 1]))) {
                out += s[i];
                out += s[++i];
            } else {
                AppendByteEscape(out, c);
            }
            continue;
        }
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                if (c < 0x20 || c == 0x7F || c == 0x80 || c == 0xA0 || c >= 0xFD)
                    AppendByteEscape(out, c);
                else
                    out += static_cast<char>(c);
        }
    }
    return out;
}

std::string Hex(unsigned long long value) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "0x%llx", value);
    return buf;
}

std::string Hex(HWND hwnd) { return Hex(reinterpret_cast<unsigned long long>(hwnd)); }

std::string Num(long long value) { return std::to_string(value); }

std::string RectFields(const RECT& r) {
    return Num(r.left) + "\t" + Num(r.top) + "\t" + Num(r.right) + "\t" + Num(r.bottom);
}

std::string Line(std::initializer_list<std::string_view> fields) {
    std::string line;
    for (std::string_view f : fields) {
        if (!line.empty()) line += '\t';
        line += f;
    }
    line += '\n';
    return line;
}

void Emit(std::initializer_list<std::string_view> fields) {
    const std::string line = Line(fields);
    std::fwrite(line.data(), 1, line.size(), stdout);
}

const std::string& Arg(const Args& args, size_t index, const char* name) {
    if (index >= args.size()) throw Failure(std::string("missing argument: ") + name);
    return args[index];
}

HWND ArgHwnd(const Args& args, size_t index) {
    const std::string& text = Arg(args, index, "HWND");
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text.c_str(), &end, 16);
    if (text.empty() || *end != '\0') throw Failure("not a window handle: " + text);
    HWND hwnd = reinterpret_cast<HWND>(value);
    if (!IsWindow(hwnd)) throw WindowGone("no such window: " + text);
    return hwnd;
}

long long ArgNumber(const Args& args, size_t index, long long fallback) {
    if (index >= args.size()) return fallback;
    char* end = nullptr;
    const long long value = std::strtoll(args[index].c_str(), &end, 0);
    if (args[index].empty() || *end != '\0') throw Failure("not a number: " + args[index]);
    return value;
}

const char* ArgPattern(const Args& args, size_t index) {
    if (index >= args.size() || args[index] == "*") return nullptr;
    return args[index].c_str();
}

}  // namespace olxdriver
