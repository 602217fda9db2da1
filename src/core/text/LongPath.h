#pragma once
// Expansion of short (8.3) path components into the long names the file system reports.
#include <optional>
#include <string>

// The file-system look-up behind the expansion: the name of the first entry matching
// `pattern` (every kind of entry counts), or nothing. The search is closed before returning.
class FileLookup {
  public:
    virtual ~FileLookup() = default;
    virtual std::optional<std::string> FindFirstName(const std::string& pattern) = 0;
};

// Rewrites every component of `path`, from the drive down; components that can't be found
// stay as written. A trailing "\" separator is dropped; "C:" ends the recursion. Relative
// paths (PLAN.DWG, sub\PLAN.DWG, C:PLAN.DWG) come back relative.
std::string ExpandLongPath(const std::string& path, FileLookup& files);
