#pragma once
// The handlers' class identifiers, fixed once: registrations and hosts' caches keep them.
#include <windows.h>

namespace shell {

// {62E07174-40A8-4F84-9369-5D1169E787B1}
inline constexpr CLSID kThumbnailHandlerId = {
    0x62e07174, 0x40a8, 0x4f84, {0x93, 0x69, 0x5d, 0x11, 0x69, 0xe7, 0x87, 0xb1}};
// {4B90BE84-CEB7-4A25-B5F4-4EB78330085C}
inline constexpr CLSID kPreviewHandlerId = {
    0x4b90be84, 0xceb7, 0x4a25, {0xb5, 0xf4, 0x4e, 0xb7, 0x83, 0x30, 0x08, 0x5c}};

}  // namespace shell
