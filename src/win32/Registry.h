#pragma once
// Reading string values from the registry, with the error texts the program shows.
#include <windows.h>

#include <string>

namespace win {

// An open registry key, closed once. An empty key (one that could not be opened) reads every
// value as missing.
class RegistryKey {
  public:
    // Opens `subKey` of `root` without creating it; a refusal leaves the key empty.
    RegistryKey(HKEY root, const char* subKey, REGSAM access);
    ~RegistryKey();
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    bool IsOpen() const { return key_ != nullptr; }

    // A string value (plain or expandable, used as stored); empty when the value is missing.
    // Throws "'<name>' のデータ型が不正です" for a value of another type and
    // "'<name>' の取得に失敗しました" when reading fails after its size was found.
    std::string ReadString(const char* name) const;

  private:
    HKEY key_ = nullptr;
};

}  // namespace win
