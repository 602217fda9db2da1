#pragma once
// The DLL itself: its instance handle and the count of live objects and server locks that
// DllCanUnloadNow answers from. Objects are made and released on any thread at once.
#include <windows.h>

namespace shell {

HINSTANCE DllInstance();

// Held by every object the DLL hands out, for as long as it lives.
class ModuleReference {
  public:
    ModuleReference();
    ~ModuleReference();
    ModuleReference(const ModuleReference&) = delete;
    ModuleReference& operator=(const ModuleReference&) = delete;
};

void LockModule(bool lock);

}  // namespace shell
