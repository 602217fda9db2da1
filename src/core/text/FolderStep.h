#pragma once
// Stepping through the drawings of a folder: which of the folder's entries a step key leads
// to from the drawing shown. The folder's order comes from the platform (Explorer's), so the
// caller passes the entries already sorted and the comparison that sorted them.
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace folder {

enum class StepKey { Next, Previous, First, Last };

// Negative, zero or positive as `a` sorts before, level with or after `b`.
using NameOrder = std::function<int(const std::string& a, const std::string& b)>;

// Where stepping stands: a bare file name, and which of the listing's entries with exactly
// that name it is (0 the first, in the listing's order). A folder can list a name twice:
// names that code page 932 can't hold come back with a look-alike or "?" for the characters
// it lacks ("x é.dwg" and "x è.dwg" both as "x e.dwg").
struct Position {
    std::string name;
    std::size_t occurrence = 0;
};

// The index in `sorted` that `key` leads to from `current`, or nothing when the step goes
// nowhere: an empty list, or already at that end. `current` need not be listed (deleted
// meanwhile): it then stands where it would sort, between its neighbours. Among entries
// level with it, the byte-equal ones are `current` (its occurrence, or the last of them
// when fewer are listed now); a level one that differs (only in letter case) stands for it
// when no entry is byte-equal.
std::optional<std::size_t> StepTarget(const std::vector<std::string>& sorted,
                                      const Position& current, StepKey key, const NameOrder& order);

// The position of `sorted[index]`: its name and how many entries before it share it.
Position PositionOf(const std::vector<std::string>& sorted, std::size_t index);

}  // namespace folder
