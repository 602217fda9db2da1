#pragma once
// |SYSTEM and |FONT: the help file's settings and its fonts.
//
// |SYSTEM: u16 magic 0x036C, u16 minor version (33: Windows 95 help), u16 major 1,
//          u32 build time (0, so builds are reproducible), u16 flags (0: topic blocks are
//          4 KB and not compressed), then records of u16 type, u16 size, data:
//          1 title, 2 copyright, 3 TOPICOFFSET of the contents topic, 6 window "main",
//          9 locale (Japanese, 0x0411), 11 character set (128, Shift-JIS).
// |FONT:   u16 face names, u16 descriptors, u16 offset of the names, u16 offset of the
//          descriptors (offsets from the start of |FONT), 20-byte face names, then 11-byte
//          descriptors: u8 attributes (1 bold, 2 italic, 4 underline), u8 size in half
//          points, u8 family (3 swiss), u16 face index, u8 rgb[3] text colour, u8 rgb[3].
#include <cstdint>
#include <string>

#include "ByteWriter.h"

namespace hlpc {

inline constexpr std::uint16_t kSystemMagic = 0x036C;
inline constexpr std::uint16_t kSystemMinor = 33;
inline constexpr std::uint8_t kShiftJisCharset = 128;
inline constexpr std::uint16_t kJapaneseLocale = 0x0411;
inline constexpr std::size_t kWindowRecordSize = 90;
inline constexpr std::size_t kFaceNameSize = 20;
inline constexpr std::size_t kFontDescriptorSize = 11;

enum SystemRecordType : std::uint16_t {
    kSysTitle = 1,
    kSysCopyright = 2,
    kSysContents = 3,
    kSysWindow = 6,
    kSysLocale = 9,
    kSysCharset = 11,
};

struct SystemSettings {
    std::string title;      // Shift-JIS, at most 50 bytes
    std::string copyright;  // Shift-JIS, left out when empty
    std::uint32_t contentsOffset = 0;
};

Bytes BuildSystemFile(const SystemSettings& settings);

// Body text, heading (bold, larger), jump label (underlined green) and the near-zero font of
// hotspot padding, in one face.
Bytes BuildFontFile(const std::string& face);

}  // namespace hlpc
