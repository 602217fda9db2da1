#include "Registry.h"

#include <vector>

#include "Error.h"

namespace win {

RegistryKey::RegistryKey(HKEY root, const char* subKey, REGSAM access) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, subKey, 0, access, &key) == ERROR_SUCCESS) key_ = key;
}

RegistryKey::~RegistryKey() {
    if (key_) RegCloseKey(key_);
}

std::string RegistryKey::ReadString(const char* name) const {
    if (!key_) return {};
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key_, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return {};
    if (type != REG_SZ && type != REG_EXPAND_SZ) {
        throw AppError::RegistryType(name);
    }
    if (size == 0) return {};
    std::vector<char> data(size + 1, '\0');  // room for a terminator the value may lack
    if (RegQueryValueExA(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) !=
        ERROR_SUCCESS) {
        throw AppError::RegistryRead(name);
    }
    return std::string(data.data());  // up to the first zero byte
}

}  // namespace win
