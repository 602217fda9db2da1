#include "FileSystemLookup.h"

#include <windows.h>

#include <vector>

#include "Scoped.h"

std::optional<std::string> FileSystemLookup::FindFirstName(const std::string& pattern) {
    WIN32_FIND_DATAA found{};
    const win::ScopedFind search(FindFirstFileA(pattern.c_str(), &found));
    if (!search) return std::nullopt;
    return std::string(found.cFileName);
}

std::string FullPathName(const std::string& path) {
    std::vector<char> buffer(MAX_PATH + 1);
    for (int attempt = 0; attempt < 2; ++attempt) {
        const DWORD length = GetFullPathNameA(path.c_str(), static_cast<DWORD>(buffer.size()),
                                              buffer.data(), nullptr);
        if (length == 0) return path;
        if (length < buffer.size()) return std::string(buffer.data(), length);
        buffer.resize(length + 1);
    }
    return path;
}
