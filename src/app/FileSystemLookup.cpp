#include "FileSystemLookup.h"

#include <windows.h>

#include "Scoped.h"

std::optional<std::string> FileSystemLookup::FindFirstName(const std::string& pattern) {
    WIN32_FIND_DATAA found{};
    const win::ScopedFind search(FindFirstFileA(pattern.c_str(), &found));
    if (!search) return std::nullopt;
    return std::string(found.cFileName);
}
