#include "ContextHash.h"

namespace hlpc {
namespace {

std::uint32_t CharCode(char c) {
    if (c >= '1' && c <= '9') return static_cast<std::uint32_t>(c - '0');
    if (c == '0') return 10;
    if (c == '.') return 12;
    if (c == '_') return 13;
    if (c >= 'A' && c <= 'Z') return static_cast<std::uint32_t>(c - 'A' + 17);
    if (c >= 'a' && c <= 'z') return static_cast<std::uint32_t>(c - 'a' + 17);
    return 0;
}

}  // namespace

bool IsValidContextName(std::string_view name) {
    if (name.empty() || name.size() > 255) return false;
    for (char c : name) {
        if (CharCode(c) == 0) return false;
    }
    return true;
}

std::int32_t ContextHash(std::string_view name) {
    std::uint32_t hash = 0;  // unsigned, so the wrap-around is defined
    for (char c : name) hash = hash * 43 + CharCode(c);
    return static_cast<std::int32_t>(hash);
}

}  // namespace hlpc
