#pragma once
// Context names (the targets of jumps) are stored only as 32-bit hashes in |CONTEXT and in
// the jump commands. The engine's hash: for each character, hash = hash * 43 + code, with
// codes 1-9 for '1'-'9', 10 for '0', 12 for '.', 13 for '_' and 17-42 for letters of either
// case; arithmetic wraps at 32 bits.
#include <cstdint>
#include <string_view>

namespace hlpc {

// True for a name of 1 to 255 characters from [A-Za-z0-9._], the set every engine hashes
// the same way.
bool IsValidContextName(std::string_view name);

// Hash of a valid context name.
std::int32_t ContextHash(std::string_view name);

}  // namespace hlpc
