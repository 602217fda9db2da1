#pragma once
#include <functional>
#include <string>

// Converts the core's Shift-JIS texts into the terminal's encoding (the locale's code set).
// Bytes that can't be converted come out as "?".
std::string ShiftJisToTerminal(const std::string& text);

// A path or file name as the tools print it: control bytes (and on Linux "\") written \xHH,
// so a name cannot break a line or send the terminal an escape sequence. The Windows build
// keeps a Shift-JIS path's "\" separators and double-byte characters as they are.
std::string PathForTerminal(const std::string& path);

class AppError;

// An AppError's text for the terminal. The path inside the file-open error is the caller's
// own bytes, not converted with the Shift-JIS around it, only escaped (PathForTerminal).
std::string ErrorForTerminal(const AppError& error, const std::string& path);

// The same for any output: the Shift-JIS text through `convert`, and `path` (the file-open
// error's own) shown as `shownPath`.
std::string ErrorWithPath(const AppError& error, const std::string& path,
                          const std::string& shownPath,
                          const std::function<std::string(const std::string&)>& convert);
