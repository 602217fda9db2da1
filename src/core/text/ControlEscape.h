#pragma once
// Bytes that came from a drawing or a file name, made safe to print: a crafted name or
// release code must not break the one line per drawing that scripts read, nor reach the
// terminal as an escape sequence.
#include <string>
#include <string_view>

enum class EscapeStyle {
    // 0x00-0x1F, 0x7F and "\" as \xHH (two upper-case hex digits), every other byte as it
    // is: bytes from 0x80 up pass, so UTF-8 and Shift-JIS names stay readable, and "\" is
    // escaped so that every "\x" in the output is an escape.
    Bytes,
    // A Windows path in Shift-JIS: "\" is either its separator or the second byte of a
    // double-byte character (表 is 0x95 0x5C) and stays; only control bytes are written
    // \xHH, and they are never part of a double-byte character, so none is split.
    ShiftJisPath,
};

std::string EscapeControls(std::string_view text, EscapeStyle style = EscapeStyle::Bytes);
