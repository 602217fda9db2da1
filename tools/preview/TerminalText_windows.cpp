// A Windows console shows text in its output code page: 932 on a Japanese system, where the
// core's Shift-JIS passes as it is; elsewhere it goes through UTF-16 into that code page.
#include <windows.h>

#include "TerminalText.h"
#include "text/ControlEscape.h"

std::string PathForTerminal(const std::string& path) {
    return EscapeControls(path, EscapeStyle::ShiftJisPath);
}

std::string ShiftJisToTerminal(const std::string& text) {
    const UINT target = GetConsoleOutputCP();
    if (text.empty() || target == 0 || target == 932) return text;
    const int length = static_cast<int>(text.size());
    const int wideLength = MultiByteToWideChar(932, 0, text.data(), length, nullptr, 0);
    if (wideLength <= 0) return text;
    std::wstring wide(static_cast<size_t>(wideLength), L'\0');
    MultiByteToWideChar(932, 0, text.data(), length, wide.data(), wideLength);
    // UTF-8 and UTF-7 take no replacement character (the call fails with one): they need none.
    const char* replacement = (target == CP_UTF8 || target == CP_UTF7) ? nullptr : "?";
    const int outLength = WideCharToMultiByte(target, 0, wide.data(), wideLength, nullptr, 0,
                                              replacement, nullptr);
    if (outLength <= 0) return text;
    std::string out(static_cast<size_t>(outLength), '\0');
    WideCharToMultiByte(target, 0, wide.data(), wideLength, out.data(), outLength, replacement,
                        nullptr);
    return out;
}
