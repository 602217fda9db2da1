#include "FileUri.h"

#include <cctype>

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// RFC 3986: ALPHA *( ALPHA / DIGIT / "+" / "-" / "." ) ":"
std::size_t SchemeLength(const std::string& text) {
    if (text.empty() || !std::isalpha(static_cast<unsigned char>(text[0]))) return 0;
    for (std::size_t i = 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == ':') return i;
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.') {
            return 0;
        }
    }
    return 0;
}

bool EqualsNoCase(const std::string& a, const char* b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i]; ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != b[i]) return false;
    }
    return i == a.size() && !b[i];
}

}  // namespace

std::optional<std::string> PathFromArgument(const std::string& argument) {
    const std::size_t scheme = SchemeLength(argument);
    // A relative path such as "a:b.dwg" is not a URI for us: only an absolute path is.
    if (scheme == 0 || argument.compare(scheme, 2, ":/") != 0) return argument;
    if (!EqualsNoCase(argument.substr(0, scheme), "file")) return std::nullopt;

    std::string rest = argument.substr(scheme + 1);
    if (rest.rfind("//", 0) == 0) {
        const std::size_t pathStart = rest.find('/', 2);
        const std::string host =
            rest.substr(2, pathStart == std::string::npos ? std::string::npos : pathStart - 2);
        if (!host.empty() && !EqualsNoCase(host, "localhost")) return std::nullopt;
        if (pathStart == std::string::npos) return std::nullopt;
        rest = rest.substr(pathStart);
    }
    // A query or fragment has no place in a local file's URI.
    if (rest.find_first_of("?#") != std::string::npos) return std::nullopt;

    std::string path;
    path.reserve(rest.size());
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] != '%') {
            path += rest[i];
            continue;
        }
        if (i + 2 >= rest.size()) return std::nullopt;
        const int high = HexValue(rest[i + 1]);
        const int low = HexValue(rest[i + 2]);
        if (high < 0 || low < 0 || (high == 0 && low == 0)) return std::nullopt;
        path += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return path;
}
