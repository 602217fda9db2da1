#include "text/ErrorText.h"

#include "text/ShiftJis.h"

std::string WithFinalPeriod(const std::string& text) {
    if (text.empty()) return text;
    std::size_t last = text.size() - 1;
    if (last > 0 && !IsCharStart(text, last)) --last;  // the trail byte of a double-byte char
    // The last character against "." as strings, unsigned: its first byte decides unless it
    // is "." itself, and then a longer string would be the greater one.
    const auto first = static_cast<unsigned char>(text[last]);
    const bool greater = first > '.' || (first == '.' && text.size() - last > 1);
    return greater ? text + "." : text;
}
