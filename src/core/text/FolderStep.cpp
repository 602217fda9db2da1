#include "FolderStep.h"

#include <algorithm>

namespace folder {

std::optional<std::size_t> StepTarget(const std::vector<std::string>& sorted,
                                      const std::string& current, StepKey key,
                                      const NameOrder& order) {
    const std::size_t count = sorted.size();
    if (count == 0) return std::nullopt;
    const auto begin = sorted.begin();
    const auto low = std::lower_bound(
        begin, sorted.end(), current,
        [&order](const std::string& a, const std::string& b) { return order(a, b) < 0; });
    const auto high = std::upper_bound(
        low, sorted.end(), current,
        [&order](const std::string& a, const std::string& b) { return order(a, b) < 0; });
    // Where `current` stands: its own entry, or the gap before `low` when none is level.
    std::optional<std::size_t> at;
    if (low != high) {
        const auto same = std::find(low, high, current);
        at = static_cast<std::size_t>((same != high ? same : low) - begin);
    }
    const auto gap = static_cast<std::size_t>(low - begin);

    std::size_t target = 0;
    switch (key) {
        case StepKey::First:
            target = 0;
            break;
        case StepKey::Last:
            target = count - 1;
            break;
        case StepKey::Next:
            target = at ? *at + 1 : gap;
            if (target >= count) return std::nullopt;
            break;
        case StepKey::Previous: {
            const std::size_t from = at ? *at : gap;
            if (from == 0) return std::nullopt;
            target = from - 1;
            break;
        }
    }
    if (at && *at == target) return std::nullopt;
    return target;
}

}  // namespace folder
