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

using TextConversion = std::function<std::string(const std::string&)>;

// An AppError's text for any output: the Shift-JIS text through `convert`, and the file-open
// error's path, when it is `path`, shown as `shownPath` (the caller's own bytes, not Shift-JIS).
std::string ErrorWithPath(const AppError& error, const std::string& path,
                          const std::string& shownPath, const TextConversion& convert);

// What a tool reports for a drawing that failed, and its exit status.
struct ToolFailure {
    std::string text;
    int status = 1;
};

// Call inside a catch block: the exception in flight as a tool reports it. An AppError as
// ErrorWithPath gives it, an allocation failure as the system's out-of-memory error, any other
// exception's what() through `otherText`.
ToolFailure CurrentToolFailure(const std::string& path, const std::string& shownPath,
                               const TextConversion& convert, const TextConversion& otherText);

// The same for the terminal: texts converted, the path (PathForTerminal) and other exceptions'
// texts escaped.
ToolFailure CurrentToolFailure(const std::string& path);
