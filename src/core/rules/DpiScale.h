#pragma once
// Lengths are designed for 96 dots per inch; at other settings each is scaled by dpi / 96.
// Platform-free, so the rule is tested natively.
#include <cstdint>

namespace win {

inline constexpr int kDesignDpi = 96;

// A length designed at 96 dpi, at `dpi`: value x dpi / 96 to the nearest pixel, halves away
// from zero, as MulDiv rounds; exact in integers, so 96 gives the value itself. A dpi that
// is not known (0 or less) counts as 96.
constexpr int ScaleToDpi(int value, int dpi) {
    if (dpi <= 0) return value;
    const int64_t product = int64_t{value} * dpi;
    const int64_t half = kDesignDpi / 2;
    return static_cast<int>(product >= 0 ? (product + half) / kDesignDpi
                                         : (product - half) / kDesignDpi);
}

}  // namespace win
