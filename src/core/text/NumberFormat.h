#pragma once
// The two number patterns of the About box, rounded to whole numbers, halves away from zero.
#include <string>

// "#,##0": at least one digit, thousands grouped with `separator` (one byte; 0 for none).
std::string FormatGrouped(double value, char separator = ',');
// "##%": no digit at all for a value that rounds to 0; "%" is a plain character.
std::string FormatPercent(double value);
