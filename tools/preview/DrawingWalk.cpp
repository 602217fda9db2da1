#include "DrawingWalk.h"

#include "BatchOptions.h"

#include <algorithm>
#include <system_error>

namespace fs = std::filesystem;

namespace {

void WalkFolder(const fs::path& folder, const fs::path& relative, bool recursive,
                DrawingWalk& walk) {
    std::error_code error;
    std::vector<fs::directory_entry> entries;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        entries.push_back(*it);
    }
    if (error) {
        walk.problems.push_back({folder, error.message()});
        return;
    }
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        return a.path().filename() < b.path().filename();
    });
    for (const fs::directory_entry& entry : entries) {
        std::error_code ignored;
        const fs::path name = entry.path().filename();
        if (entry.is_symlink(ignored) && entry.is_directory(ignored)) continue;
        if (entry.is_directory(ignored)) {
            if (recursive) WalkFolder(entry.path(), relative / name, recursive, walk);
        } else if (IsDrawingName(name) && entry.is_regular_file(ignored)) {
            walk.drawings.push_back({entry.path(), relative});
        }
    }
}

}  // namespace

DrawingWalk FindDrawings(const std::vector<std::string>& operands, bool recursive) {
    DrawingWalk walk;
    for (const std::string& operand : operands) {
        std::error_code ignored;
        if (fs::is_directory(operand, ignored)) {
            WalkFolder(operand, {}, recursive, walk);
        } else {
            walk.drawings.push_back({operand, {}});
        }
    }
    return walk;
}
