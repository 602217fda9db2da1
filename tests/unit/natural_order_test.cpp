// Natural order of file names, as the contact sheet lists drawings.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "text/NaturalOrder.h"

namespace {

std::vector<std::string> Sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return NaturalLess(a, b); });
    return names;
}

TEST(NaturalOrder, NumbersByValueLettersWithoutCase) {
    EXPECT_EQ(Sorted({"plan10.dwg", "Plan2.dwg", "plan1.dwg", "plan.dwg", "PLAN02b.dwg"}),
              (std::vector<std::string>{"plan.dwg", "plan1.dwg", "Plan2.dwg", "PLAN02b.dwg",
                                        "plan10.dwg"}));
    // Longer than any integer type: compared as digit strings.
    EXPECT_LT(NaturalCompare("a99999999999999999999999", "a100000000000000000000000"), 0);
    EXPECT_LT(NaturalCompare("x9y", "x10"), 0);
    EXPECT_GT(NaturalCompare("b", "A"), 0);
    EXPECT_LT(NaturalCompare("a", "a0"), 0);
}

TEST(NaturalOrder, EqualLookingNamesStillGetAFixedOrder) {
    EXPECT_LT(NaturalCompare("a1", "a01"), 0);  // fewer leading zeros first
    EXPECT_GT(NaturalCompare("a01", "a1"), 0);
    EXPECT_LT(NaturalCompare("A.dwg", "a.dwg"), 0);
    EXPECT_EQ(NaturalCompare("same7", "same7"), 0);
    // Case decides only when nothing else does.
    EXPECT_LT(NaturalCompare("B1", "b2"), 0);
    EXPECT_LT(NaturalCompare("b1x", "B01y"), 0);
    // Bytes past ASCII (UTF-8, Shift-JIS) by their value.
    EXPECT_LT(NaturalCompare("z", "\x83\x65"), 0);
}

}  // namespace
