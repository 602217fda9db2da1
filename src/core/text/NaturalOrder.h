#pragma once
// File names in the order a person expects, as Explorer lists them: runs of digits compare
// by their value ("plan2" before "plan10"), ASCII letters without regard to case, every
// other byte by its value. Names that differ only in case or leading zeros still get a fixed
// order, so sorting by it is a total order.
#include <string_view>

// Negative, zero or positive as `a` comes before, with or after `b`.
int NaturalCompare(std::string_view a, std::string_view b);

inline bool NaturalLess(std::string_view a, std::string_view b) { return NaturalCompare(a, b) < 0; }
