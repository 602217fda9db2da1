#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "Error.h"

// Runs `f`, which must throw AppError with exactly `text`.
template <typename F>
void ExpectAppError(F&& f, const std::string& text) {
    try {
        f();
        ADD_FAILURE() << "no error raised, expected: " << text;
    } catch (const AppError& e) {
        EXPECT_EQ(ErrorText(e), text);
    }
}

// The signature and IHDR chunk of a PNG file of the given size (no image data).
inline std::vector<uint8_t> MakePngHeader(uint32_t width, uint32_t height) {
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13,
                                'I',  'H', 'D', 'R'};
    for (uint32_t v : {width, height}) {
        for (int shift = 24; shift >= 0; shift -= 8) png.push_back(static_cast<uint8_t>(v >> shift));
    }
    png.insert(png.end(), {8, 6, 0, 0, 0, 0, 0, 0, 0});  // depth, colour type, ..., CRC
    return png;
}

inline uint32_t Le32(const std::vector<uint8_t>& b, std::size_t at) {
    return static_cast<uint32_t>(b[at]) | static_cast<uint32_t>(b[at + 1]) << 8 |
           static_cast<uint32_t>(b[at + 2]) << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}
