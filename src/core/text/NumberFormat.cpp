#include "text/NumberFormat.h"

#include <charconv>
#include <cmath>

namespace {

// The decimal digits of |value| rounded to a whole number, halves away from zero; "0" for
// anything that rounds to zero. Exact for every finite double (2^64 and beyond included).
std::string RoundedDigits(double value, bool& negative) {
    const double rounded = std::round(value);
    negative = rounded < 0;
    char buffer[400];  // the largest double has 309 digits
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(rounded),
                                      std::chars_format::fixed, 0);
    return std::string(buffer, result.ptr);
}

std::string NonFinite(double value) {
    if (std::isnan(value)) return "NAN";
    return value < 0 ? "-INF" : "INF";
}

}  // namespace

std::string FormatGrouped(double value, char separator) {
    if (!std::isfinite(value)) return NonFinite(value);
    bool negative = false;
    const std::string digits = RoundedDigits(value, negative);
    std::string text = negative ? "-" : "";
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && separator != 0 && (digits.size() - i) % 3 == 0) text += separator;
        text += digits[i];
    }
    return text;
}

std::string FormatPercent(double value) {
    if (!std::isfinite(value)) return NonFinite(value) + "%";
    bool negative = false;
    const std::string digits = RoundedDigits(value, negative);
    if (digits == "0") return "%";
    return (negative ? "-" : "") + digits + "%";
}
