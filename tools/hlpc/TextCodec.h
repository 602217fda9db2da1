#pragma once
// The help source is kept in UTF-8; the help file carries Shift-JIS (code page 932) text,
// and the HTML page UTF-8 again.
#include <string>
#include <string_view>

namespace hlpc {

// Converts UTF-8 text to code page 932 bytes. Throws std::runtime_error for malformed UTF-8
// or a character that code page 932 cannot represent.
std::string Utf8ToShiftJis(std::string_view utf8);

// Converts code page 932 bytes back to UTF-8. Throws std::runtime_error for bytes that are
// not code page 932 text.
std::string ShiftJisToUtf8(std::string_view sjis);

// Number of double-byte characters in code page 932 text (lead bytes 0x81-0x9F, 0xE0-0xFC).
std::size_t CountDoubleByteChars(std::string_view sjis);

}  // namespace hlpc
