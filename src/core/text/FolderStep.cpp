#include "FolderStep.h"

#include <algorithm>

namespace folder {

namespace {

using Entry = std::vector<std::string>::const_iterator;

// The `occurrence`-th entry byte-equal to `name` in [low, high), or the last such entry when
// there are fewer, or `high` when there is none.
Entry Occurrence(Entry low, Entry high, const std::string& name, std::size_t occurrence) {
    auto found = high;
    for (auto it = std::find(low, high, name); it != high; it = std::find(it + 1, high, name)) {
        found = it;
        if (occurrence-- == 0) break;
    }
    return found;
}

}  // namespace

std::optional<std::size_t> StepTarget(const std::vector<std::string>& sorted,
                                      const Position& current, StepKey key,
                                      const NameOrder& order) {
    const std::size_t count = sorted.size();
    if (count == 0) return std::nullopt;
    const auto begin = sorted.begin();
    const auto before = [&order](const std::string& a, const std::string& b) {
        return order(a, b) < 0;
    };
    const auto low = std::lower_bound(begin, sorted.end(), current.name, before);
    const auto high = std::upper_bound(low, sorted.end(), current.name, before);
    // Where `current` stands: its own entry, or the gap before `low` when none is level.
    std::optional<std::size_t> at;
    if (low != high) {
        const auto same = Occurrence(low, high, current.name, current.occurrence);
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

Position PositionOf(const std::vector<std::string>& sorted, std::size_t index) {
    const auto at = sorted.begin() + static_cast<std::ptrdiff_t>(index);
    return {*at, static_cast<std::size_t>(std::count(sorted.begin(), at, *at))};
}

}  // namespace folder
