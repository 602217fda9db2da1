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

// The index in `sorted` that `key` leads to from `current` (a bare file name), or nothing
// when the step goes nowhere: an empty list, or already at that end. `current` need not be
// listed (deleted meanwhile): it then stands where it would sort, between its neighbours.
// Among entries level with it, the byte-equal one is `current` itself; a level one that
// differs (only in letter case) stands for it when no entry is byte-equal.
std::optional<std::size_t> StepTarget(const std::vector<std::string>& sorted,
                                      const std::string& current, StepKey key,
                                      const NameOrder& order);

}  // namespace folder
