#pragma once
// The file-system look-up behind the command-line path expansion, over FindFirstFileA.
#include "text/LongPath.h"

class FileSystemLookup : public FileLookup {
  public:
    // The first entry matching `pattern`, of any kind: with the attribute mask 63 (read-only,
    // hidden, system, volume label, directory, archive) no entry is excluded, so the first
    // one the system reports is taken. The search handle is closed on every path.
    std::optional<std::string> FindFirstName(const std::string& pattern) override;
};

// `path` resolved against the current directory (GetFullPathNameA); unchanged on failure.
std::string FullPathName(const std::string& path);
