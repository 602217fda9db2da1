#pragma once
// Shift-JIS (code page 932) byte strings and the path helpers built on them. A 0x5C byte that
// is the second byte of a double-byte character (ソ, 表, ...) is never a path separator.
#include <cstddef>
#include <string>
#include <string_view>

bool IsLeadByte(unsigned char byte);  // 0x81-0x9F, 0xE0-0xFC

// True when the byte at `index` starts a character (is not the trail byte of a double-byte one).
bool IsCharStart(std::string_view text, std::size_t index);

// Index of the last "\" or ":" separator, or npos.
std::size_t LastSeparator(std::string_view path);

// Text from the last "." after the last separator, "." included; empty if none.
std::string ExtractFileExt(std::string_view path);
// Everything after the last separator.
std::string ExtractFileName(std::string_view path);
// File name without its last extension (PLAN-A for C:\x\PLAN-A.DWG).
std::string ExtractFileTitle(std::string_view path);
// `path` with its extension replaced by `ext` (appended when it has none).
std::string ChangeFileExt(std::string_view path, std::string_view ext);
// Directory part: up to the last separator, that "\" dropped unless it follows ":" or "\"
// or is the first byte (C:\a\b -> C:\a, C:\b -> C:\, \\srv\f -> \\srv, C:b -> C:, b -> "").
std::string ExtractFileDir(std::string_view path);
// True when the path's last character is a "\" separator (not a trail byte).
bool EndsWithSeparator(std::string_view path);

// True for a path that names no drive-rooted or UNC location ("PLAN.DWG", "sub\PLAN.DWG",
// "C:PLAN.DWG"): it depends on a current directory.
bool IsRelativePath(std::string_view path);

// The drawing-file test: extension, ASCII letters lower-cased, equal to ".dwg".
bool IsDrawingFileName(std::string_view path);
