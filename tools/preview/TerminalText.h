#pragma once
#include <string>

// Converts the core's Shift-JIS texts into the terminal's encoding (the locale's code set).
// Bytes that can't be converted come out as "?".
std::string ShiftJisToTerminal(const std::string& text);
