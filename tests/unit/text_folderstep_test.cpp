// Stepping through a folder's drawings: the target entry for each key, from a listed name,
// from one deleted meanwhile, from one of names listed twice, and at the ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "text/FolderStep.h"

namespace {

using folder::PositionOf;
using folder::StepKey;
using folder::StepTarget;

// Letter case ignored, as the platform's order does; the digits' natural order is not
// what is tested here.
int CaseBlind(const std::string& a, const std::string& b) {
    const auto lower = [](std::string s) {
        std::transform(s.begin(), s.end(), s.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return s;
    };
    return lower(a).compare(lower(b));
}

std::optional<std::size_t> Step(const std::vector<std::string>& names, const std::string& at,
                                StepKey key, std::size_t occurrence = 0) {
    return StepTarget(names, {at, occurrence}, key, CaseBlind);
}

const std::vector<std::string> kNames = {"a.dwg", "c.dwg", "e.dwg"};

TEST(FolderStep, FromAListedDrawingEachKeyMovesUntilItsEnd) {
    EXPECT_EQ(Step(kNames, "c.dwg", StepKey::Next), 2u);
    EXPECT_EQ(Step(kNames, "c.dwg", StepKey::Previous), 0u);
    EXPECT_EQ(Step(kNames, "c.dwg", StepKey::First), 0u);
    EXPECT_EQ(Step(kNames, "c.dwg", StepKey::Last), 2u);
    EXPECT_EQ(Step(kNames, "e.dwg", StepKey::Next), std::nullopt);
    EXPECT_EQ(Step(kNames, "e.dwg", StepKey::Last), std::nullopt);
    EXPECT_EQ(Step(kNames, "a.dwg", StepKey::Previous), std::nullopt);
    EXPECT_EQ(Step(kNames, "a.dwg", StepKey::First), std::nullopt);
    EXPECT_EQ(Step({}, "a.dwg", StepKey::First), std::nullopt);
    EXPECT_EQ(Step({"a.dwg"}, "a.dwg", StepKey::Next), std::nullopt);
}

TEST(FolderStep, ADeletedDrawingStepsToTheNeighboursOfWhereItSorted) {
    EXPECT_EQ(Step(kNames, "d.dwg", StepKey::Next), 2u);
    EXPECT_EQ(Step(kNames, "d.dwg", StepKey::Previous), 1u);
    EXPECT_EQ(Step(kNames, "0.dwg", StepKey::Previous), std::nullopt);
    EXPECT_EQ(Step(kNames, "0.dwg", StepKey::Next), 0u);
    EXPECT_EQ(Step(kNames, "0.dwg", StepKey::First), 0u);  // not listed: the first is a step
    EXPECT_EQ(Step(kNames, "z.dwg", StepKey::Next), std::nullopt);
    EXPECT_EQ(Step(kNames, "z.dwg", StepKey::Previous), 2u);
    EXPECT_EQ(Step(kNames, "z.dwg", StepKey::Last), 2u);
}

TEST(FolderStep, AmongNamesLevelInOrderTheByteEqualOneIsCurrent) {
    const std::vector<std::string> names = {"a.dwg", "B.dwg", "b.dwg", "c.dwg"};
    EXPECT_EQ(Step(names, "b.dwg", StepKey::Previous), 1u);
    EXPECT_EQ(Step(names, "b.dwg", StepKey::Next), 3u);
    EXPECT_EQ(Step(names, "B.dwg", StepKey::Next), 2u);
    // Named in another case than any entry (typed so): the first level entry stands for it.
    EXPECT_EQ(Step({"a.dwg", "B.DWG", "c.dwg"}, "b.dwg", StepKey::Next), 2u);
}

TEST(FolderStep, ANameListedTwiceIsSteppedOntoAndPastOnceEach) {
    // Two names code page 932 can't hold ("x é", "x è"), listed alike.
    const std::vector<std::string> names = {"a.dwg", "x ?.dwg", "x ?.dwg", "z.dwg"};
    std::vector<std::size_t> walked;
    folder::Position at{"a.dwg"};
    while (const auto next = StepTarget(names, at, StepKey::Next, CaseBlind)) {
        walked.push_back(*next);
        at = PositionOf(names, *next);
        if (walked.size() > names.size()) break;  // stuck
    }
    EXPECT_EQ(walked, (std::vector<std::size_t>{1, 2, 3}));
    EXPECT_EQ(Step(names, "x ?.dwg", StepKey::Previous, 1), 1u);
    EXPECT_EQ(Step(names, "x ?.dwg", StepKey::Previous, 0), 0u);
    // Fewer listed now than when it was stepped onto: the last of them stands for it.
    EXPECT_EQ(Step(names, "x ?.dwg", StepKey::Next, 5), 3u);
}

}  // namespace
