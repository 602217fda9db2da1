#include "FolderDrawings.h"

#include <windows.h>
#include <shlwapi.h>

#include <algorithm>
#include <climits>

#include "Scoped.h"
#include "text/ShiftJis.h"

namespace {

std::wstring Wide(const std::string& text) {
    if (text.empty() || text.size() > static_cast<std::size_t>(INT_MAX)) return {};
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
    if (length <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), length);
    return wide;
}

struct Entry {
    std::string name;
    std::wstring key;  // converted once, not at every comparison of the sort
};

}  // namespace

std::vector<std::string> FolderDrawingNames(const std::string& folder) {
    const std::string pattern = folder + (EndsWithSeparator(folder) ? "*" : "\\*");
    WIN32_FIND_DATAA found{};
    const win::ScopedFind search(FindFirstFileA(pattern.c_str(), &found));
    if (!search) return {};
    std::vector<Entry> entries;
    do {
        if (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN)) continue;
        // The long name, not the 8.3 alias a "*.dwg" pattern also matches (x.dwgx is X~1.DWG).
        std::string name(found.cFileName);
        if (!IsDrawingFileName(name)) continue;
        std::wstring key = Wide(name);
        entries.push_back({std::move(name), std::move(key)});
    } while (FindNextFileA(search.Get(), &found));

    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        const int order = StrCmpLogicalW(a.key.c_str(), b.key.c_str());
        return order != 0 ? order < 0 : a.name < b.name;  // the same order at every reading
    });
    std::vector<std::string> names;
    names.reserve(entries.size());
    for (Entry& entry : entries) names.push_back(std::move(entry.name));
    return names;
}

int ExplorerNameOrder(const std::string& a, const std::string& b) {
    return StrCmpLogicalW(Wide(a).c_str(), Wide(b).c_str());
}
