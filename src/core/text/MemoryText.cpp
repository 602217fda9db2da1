#include "text/MemoryText.h"

#include <limits>

#include "text/NumberFormat.h"

namespace {

constexpr char kTotalPrefix[] = "物理メモリ      ";  // six half-width spaces
constexpr char kUsageOpen[] = " ( ";
constexpr char kUsageClose[] = " KB使用)";

// Byte counts become doubles exactly below 2^53 (8 PiB), and a division by 1024 stays exact,
// so the patterns round the true quotient.
double Kilobytes(uint64_t bytes) { return static_cast<double>(bytes) / 1024.0; }

}  // namespace

MemoryGauge ScaleGauge(uint64_t totalBytes, uint64_t usedBytes) {
    constexpr uint64_t kLimit = static_cast<uint64_t>(std::numeric_limits<int32_t>::max());
    if (usedBytes > totalBytes) usedBytes = totalBytes;
    int shift = 0;
    while ((totalBytes >> shift) > kLimit) ++shift;
    return {static_cast<int32_t>(totalBytes >> shift), static_cast<int32_t>(usedBytes >> shift)};
}

MemoryTexts DescribeMemory(uint64_t totalBytes, uint64_t availableBytes, char separator) {
    const uint64_t used = availableBytes < totalBytes ? totalBytes - availableBytes : 0;
    // No memory reported at all: nothing is in use, rather than 0 / 0.
    const double share =
        totalBytes == 0 ? 0.0 : static_cast<double>(used) * 100.0 / static_cast<double>(totalBytes);

    MemoryTexts texts;
    texts.total = kTotalPrefix + FormatGrouped(Kilobytes(totalBytes), separator) + " KB";
    texts.usage =
        FormatPercent(share) + kUsageOpen + FormatGrouped(Kilobytes(used), separator) + kUsageClose;
    texts.gauge = ScaleGauge(totalBytes, used);
    return texts;
}

char ThousandsSeparator(std::optional<std::string_view> localeText) {
    if (!localeText) return ',';
    if (localeText->empty()) return '\0';
    if (localeText->size() > 1) return ',';
    return (*localeText)[0];
}
