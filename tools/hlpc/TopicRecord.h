#pragma once
// Records of |TOPIC before they are placed, and the encoding of a paragraph as a text record.
//
// Text record (type 0x20): the format part holds compressed i32 text size, compressed u16
// character count, u8 0, u8 0x80, u16 paragraph id, u16 paragraph flags and the values they
// announce (space below, tab stops), then the format commands. The text part holds the
// zero-terminated strings; string i is shown before command i:
//   0x80 u16 font, 0x81 line break, 0x82 paragraph end, 0x83 tab,
//   0xE7 i32 context hash (topic jump without font change) ... 0x89 end of jump, 0xFF end.
#include <cstddef>
#include <cstdint>

#include "ByteWriter.h"
#include "HelpSource.h"

namespace hlpc {

inline constexpr std::uint8_t kRecordTopicHeader = 0x02;
inline constexpr std::uint8_t kRecordText = 0x20;

// Font numbers in |FONT, as the topic records use them. kFontPad is a near-zero size for the
// spaces that line hotspots up in engines that count bytes (see EncodeParagraph).
enum FontNumber : std::uint16_t { kFontBody = 0, kFontHeading = 1, kFontJump = 2, kFontPad = 3 };

// One record before it is placed: its type, format part and text part.
struct TopicRecord {
    std::uint8_t type;
    Bytes format;
    Bytes text;
};

// Encodes one paragraph as a text record: paragraph settings, then the format commands that
// interleave with its strings (font change, line break, tab, jump start and end, paragraph
// end, 0xFF at the end).
//
// Jumps are written as "jump without font change" with the label in kFontJump (underlined
// green). Wine's winhlp32 places a hotspot by counting the bytes of the text before it while
// its text control counts characters, so after N double-byte characters the clickable range
// starts N characters after the label. Each jump therefore begins with N spaces in kFontPad,
// which moves the label to where that range begins. A jump that starts a line also takes the
// line break into its hotspot, so the spaces trail the line above and stay out of sight;
// elsewhere they stand before the label, a pixel or two each.
// `doubleByteChars` counts the double-byte characters shown before the paragraph in its topic
// and is advanced past it.
TopicRecord EncodeParagraph(const Paragraph& paragraph, FontNumber font, std::int16_t spaceBelow,
                            std::size_t& doubleByteChars);

}  // namespace hlpc
