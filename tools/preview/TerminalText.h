#pragma once
#include <functional>
#include <string>

// Converts the core's Shift-JIS texts into the terminal's encoding (the locale's code set).
// Bytes that can't be converted come out as "?".
std::string ShiftJisToTerminal(const std::string& text);

class AppError;

// An AppError's text for the terminal. The path inside the file-open error is the caller's
// own bytes and is kept as it is, not converted with the Shift-JIS around it.
std::string ErrorForTerminal(const AppError& error, const std::string& path);

// The same for any output: the Shift-JIS text through `convert`, and `path` (the file-open
// error's own) shown as `shownPath`.
std::string ErrorWithPath(const AppError& error, const std::string& path,
                          const std::string& shownPath,
                          const std::function<std::string(const std::string&)>& convert);
