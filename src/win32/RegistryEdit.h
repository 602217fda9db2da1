#pragma once
// Writing and removing registry keys for a registration that must be undone completely.
// Every function returns the system's error code (ERROR_SUCCESS when done); a key or value
// that is already missing counts as removed.
#include <windows.h>

#include <string>

namespace win {

// Creates `subKey` of `root` as needed and sets its string value `name` (nullptr: the
// default value).
LONG SetStringValue(HKEY root, const std::string& subKey, const char* name,
                    const std::string& value);

// The same for a text that may hold characters outside the ANSI code page, such as a path:
// written through the wide function, so none of them becomes "?". `name` is ASCII.
LONG SetStringValue(HKEY root, const std::string& subKey, const char* name,
                    const std::wstring& value);

// A string value, or empty when the key or the value is missing or of another type.
std::string GetStringValue(HKEY root, const std::string& subKey, const char* name);

LONG DeleteValue(HKEY root, const std::string& subKey, const char* name);

// `subKey` with everything under it.
LONG DeleteKeyTree(HKEY root, const std::string& subKey);

// `subKey` only when it holds no values and no keys: a key that others may still use stays.
LONG DeleteKeyIfEmpty(HKEY root, const std::string& subKey);

}  // namespace win
