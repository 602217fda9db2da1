#include "RegistryEdit.h"

#include <cstring>
#include <vector>

namespace win {

namespace {

LONG Removed(LONG error) { return error == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : error; }

}  // namespace

LONG SetStringValue(HKEY root, const std::string& subKey, const char* name,
                    const std::string& value) {
    HKEY key = nullptr;
    LONG error = RegCreateKeyExA(root, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                 KEY_SET_VALUE, nullptr, &key, nullptr);
    if (error != ERROR_SUCCESS) return error;
    error = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                           static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
    return error;
}

LONG SetStringValue(HKEY root, const std::string& subKey, const char* name,
                    const std::wstring& value) {
    const std::wstring wideName = name ? std::wstring(name, name + std::strlen(name)) : L"";
    HKEY key = nullptr;
    LONG error = RegCreateKeyExA(root, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                 KEY_SET_VALUE, nullptr, &key, nullptr);
    if (error != ERROR_SUCCESS) return error;
    error = RegSetValueExW(key, name ? wideName.c_str() : nullptr, 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(value.c_str()),
                           static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return error;
}

std::string GetStringValue(HKEY root, const std::string& subKey, const char* name) {
    DWORD size = 0;
    if (RegGetValueA(root, subKey.c_str(), name, RRF_RT_REG_SZ, nullptr, nullptr, &size) !=
            ERROR_SUCCESS ||
        size == 0) {
        return {};
    }
    std::vector<char> text(size);
    if (RegGetValueA(root, subKey.c_str(), name, RRF_RT_REG_SZ, nullptr, text.data(), &size) !=
        ERROR_SUCCESS) {
        return {};
    }
    return std::string(text.data());  // RegGetValueA ends the text with its zero
}

LONG DeleteValue(HKEY root, const std::string& subKey, const char* name) {
    return Removed(RegDeleteKeyValueA(root, subKey.c_str(), name));
}

LONG DeleteKeyTree(HKEY root, const std::string& subKey) {
    const LONG error = Removed(RegDeleteTreeA(root, subKey.c_str()));
    if (error != ERROR_SUCCESS) return error;
    return Removed(RegDeleteKeyA(root, subKey.c_str()));
}

LONG DeleteKeyIfEmpty(HKEY root, const std::string& subKey) {
    HKEY key = nullptr;
    LONG error = RegOpenKeyExA(root, subKey.c_str(), 0, KEY_QUERY_VALUE, &key);
    if (error != ERROR_SUCCESS) return Removed(error);
    DWORD keys = 0;
    DWORD values = 0;
    error = RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &keys, nullptr, nullptr, &values,
                             nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(key);
    if (error != ERROR_SUCCESS) return error;
    if (keys != 0 || values != 0) return ERROR_SUCCESS;
    return Removed(RegDeleteKeyA(root, subKey.c_str()));
}

}  // namespace win
