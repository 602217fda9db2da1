#pragma once
// The About box's physical-memory figures: the two label texts and the gauge, worked out from
// 64-bit byte counts so that machines with 4 GB or more show their real total and share.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// A progress bar holds signed 32-bit values: range 0..max, position within it.
struct MemoryGauge {
    int32_t max = 0;
    int32_t position = 0;
};

struct MemoryTexts {
    std::string total;  // "物理メモリ      262,144 KB"
    std::string usage;  // "75% ( 196,608 KB使用)"
    MemoryGauge gauge;
};

// Figures for `totalBytes` of physical memory of which `availableBytes` are free; more free
// than total counts as nothing used. `separator` groups thousands (0 for none).
MemoryTexts DescribeMemory(uint64_t totalBytes, uint64_t availableBytes, char separator);

// Total and used shifted right by the same, smallest, amount that brings the total within
// 31 bits, so the bar's share stays used / total to within 2^-30.
MemoryGauge ScaleGauge(uint64_t totalBytes, uint64_t usedBytes);

// The user locale's thousands separator as the number patterns take it: its byte when it is
// one byte long, none when it is empty, and "," when it is longer or could not be read.
char ThousandsSeparator(std::optional<std::string_view> localeText);
