#pragma once
#include <string>

// The error box's ending rule: append a half-width "." when the text is not empty and its
// last character (one or two bytes) compares greater than "." byte by byte, unsigned.
std::string WithFinalPeriod(const std::string& text);
