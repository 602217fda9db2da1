// The About box's physical-memory labels and gauge.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "text/MemoryText.h"

namespace {

constexpr uint64_t kMiB = uint64_t{1} << 20;
constexpr uint64_t kGiB = uint64_t{1} << 30;
constexpr int32_t kBarMax = std::numeric_limits<int32_t>::max();

// The bar's share, to compare with used / total.
double GaugeShare(const MemoryGauge& gauge) {
    return gauge.max == 0 ? 0.0 : static_cast<double>(gauge.position) / gauge.max;
}

TEST(AboutMemory, QuarterFreeOf256Megabytes) {
    const MemoryTexts texts = DescribeMemory(256 * kMiB, 64 * kMiB, ',');
    EXPECT_EQ(texts.total, "物理メモリ      262,144 KB");
    EXPECT_EQ(texts.usage, "75% ( 196,608 KB使用)");
    EXPECT_EQ(texts.gauge.max, static_cast<int32_t>(256 * kMiB));
    EXPECT_EQ(texts.gauge.position, static_cast<int32_t>(192 * kMiB));
    EXPECT_EQ(texts.gauge.position * int64_t{4}, texts.gauge.max * int64_t{3});
}

TEST(AboutMemory, NothingUsed) {
    const MemoryTexts texts = DescribeMemory(256 * kMiB, 256 * kMiB, ',');
    EXPECT_EQ(texts.usage, "% ( 0 KB使用)");
    EXPECT_EQ(texts.gauge.position, 0);
    // Free memory above the total (a racing figure) is still nothing used, not a wrap.
    EXPECT_EQ(DescribeMemory(256 * kMiB, 300 * kMiB, ',').usage, "% ( 0 KB使用)");
}

TEST(AboutMemory, NoMemoryReported) {
    const MemoryTexts texts = DescribeMemory(0, 0, ',');
    EXPECT_EQ(texts.total, "物理メモリ      0 KB");
    EXPECT_EQ(texts.usage, "% ( 0 KB使用)");
    EXPECT_EQ(texts.gauge.max, 0);
    EXPECT_EQ(texts.gauge.position, 0);
}

TEST(AboutMemory, LargeMachinesDoNotWrapAt32Bits) {
    // 16 GB with 4 GB free: a 32-bit total would read 0 KB.
    MemoryTexts texts = DescribeMemory(16 * kGiB, 4 * kGiB, ',');
    EXPECT_EQ(texts.total, "物理メモリ      16,777,216 KB");
    EXPECT_EQ(texts.usage, "75% ( 12,582,912 KB使用)");
    EXPECT_DOUBLE_EQ(GaugeShare(texts.gauge), 0.75);

    // 64 GB with 1 GB free.
    texts = DescribeMemory(64 * kGiB, 1 * kGiB, ',');
    EXPECT_EQ(texts.total, "物理メモリ      67,108,864 KB");
    EXPECT_EQ(texts.usage, "98% ( 66,060,288 KB使用)");  // 98.4375
    EXPECT_DOUBLE_EQ(GaugeShare(texts.gauge), 63.0 / 64.0);

    // Just above 4 GB: the 32-bit figures would show a few KB.
    texts = DescribeMemory(4 * kGiB + 8 * kMiB, 2 * kGiB + 8 * kMiB, ',');
    EXPECT_EQ(texts.total, "物理メモリ      4,202,496 KB");
    EXPECT_EQ(texts.usage, "50% ( 2,097,152 KB使用)");  // 49.9 rounds up
}

TEST(AboutMemory, PatternsRoundTheTrueQuotient) {
    // 1535 bytes is 1.499 KB, 1536 is exactly 1.5: halves go away from zero.
    EXPECT_EQ(DescribeMemory(1535, 1535, ',').total, "物理メモリ      1 KB");
    EXPECT_EQ(DescribeMemory(1536, 1536, ',').total, "物理メモリ      2 KB");
    // 91 of 200 used is exactly 45.5%.
    EXPECT_EQ(DescribeMemory(200 * 1024, 109 * 1024, ',').usage, "46% ( 91 KB使用)");
    // 1 of 201 used is 0.497%: no digit at all.
    EXPECT_EQ(DescribeMemory(201 * 1024, 200 * 1024, ',').usage, "% ( 1 KB使用)");
    EXPECT_EQ(DescribeMemory(4 * kGiB, 0, ',').usage, "100% ( 4,194,304 KB使用)");
}

TEST(AboutMemory, SeparatorComesFromTheCaller) {
    EXPECT_EQ(DescribeMemory(256 * kMiB, 64 * kMiB, '.').total, "物理メモリ      262.144 KB");
    EXPECT_EQ(DescribeMemory(256 * kMiB, 64 * kMiB, '\0').usage, "75% ( 196608 KB使用)");
}

TEST(AboutMemoryGauge, FitsTheBarWithTheSmallestShift) {
    // Up to 2^31 - 1 bytes the bar counts bytes as they are.
    MemoryGauge gauge = ScaleGauge(uint64_t{kBarMax}, 12345);
    EXPECT_EQ(gauge.max, kBarMax);
    EXPECT_EQ(gauge.position, 12345);

    // 2 GB exactly no longer fits: one shift.
    gauge = ScaleGauge(2 * kGiB, kGiB);
    EXPECT_EQ(gauge.max, static_cast<int32_t>(kGiB));
    EXPECT_EQ(gauge.position, static_cast<int32_t>(kGiB / 2));

    gauge = ScaleGauge(16 * kGiB, 12 * kGiB);
    EXPECT_EQ(gauge.max, static_cast<int32_t>(kGiB));  // shifted by 4
    EXPECT_EQ(gauge.position, static_cast<int32_t>(kGiB * 3 / 4));

    // The largest count there is still lands within the range, the bar as full as can be.
    gauge = ScaleGauge(std::numeric_limits<uint64_t>::max(), std::numeric_limits<uint64_t>::max());
    EXPECT_EQ(gauge.max, kBarMax);
    EXPECT_EQ(gauge.position, kBarMax);
}

TEST(AboutMemoryGauge, StaysWithinRangeAndKeepsTheShare) {
    for (uint64_t total : {3 * kGiB + 7, 5 * kGiB - 1, 48 * kGiB + 12345, uint64_t{1} << 50}) {
        for (uint64_t used : {uint64_t{0}, uint64_t{1}, total / 3, total - 1, total, total + 9}) {
            const MemoryGauge gauge = ScaleGauge(total, used);
            EXPECT_GT(gauge.max, kBarMax / 2) << total;  // no precision thrown away
            EXPECT_GE(gauge.position, 0) << total << " " << used;
            EXPECT_LE(gauge.position, gauge.max) << total << " " << used;
            const double exact = static_cast<double>(used < total ? used : total) / total;
            EXPECT_NEAR(GaugeShare(gauge), exact, 1e-9) << total << " " << used;
        }
    }
}

TEST(AboutMemory, ThousandsSeparatorFromTheLocale) {
    EXPECT_EQ(ThousandsSeparator(","), ',');
    EXPECT_EQ(ThousandsSeparator("."), '.');
    EXPECT_EQ(ThousandsSeparator(" "), ' ');
    EXPECT_EQ(ThousandsSeparator(""), '\0');
    EXPECT_EQ(ThousandsSeparator(std::nullopt), ',');
    EXPECT_EQ(ThousandsSeparator("\x81\x41"), ',');  // a double-byte character: not one byte
}

}  // namespace
