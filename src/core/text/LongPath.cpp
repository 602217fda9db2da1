#include "text/LongPath.h"

#include "text/ShiftJis.h"

std::string ExpandLongPath(const std::string& path, FileLookup& files) {
    if (path.empty()) return {};
    std::string result = path;
    if (EndsWithSeparator(result)) result.pop_back();
    if (result.size() == 2 && result[1] == ':') return result;  // a drive: the recursion ends
    if (result.empty()) return result;                          // "\" alone: nothing to find

    const std::optional<std::string> name = files.FindFirstName(result);
    if (!name) return result;

    const std::string dir = ExtractFileDir(result);
    // Relative names stay relative: "PLAN.DWG" must not turn into "\Plan.dwg" (the drive's
    // root), nor "C:PLAN.DWG" (the drive's current folder) into "C:\Plan.dwg".
    if (dir.empty()) return *name;
    // A path ending in ":" other than a bare drive (such as "AB:") is its own directory part;
    // recursing on it would never end.
    if (dir.size() >= result.size()) return result;
    const bool driveRelative = result[LastSeparator(result)] == ':';
    return ExpandLongPath(dir, files) + (driveRelative ? "" : "\\") + *name;
}
