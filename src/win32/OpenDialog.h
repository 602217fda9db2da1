#pragma once
// The common open-file dialog. It remembers the last chosen file, which it starts with the
// next time; the first time it starts in the platform's default folder.
#include <windows.h>

#include <string>

class TOpenDialog {
  public:
    // `filter` as the dialog takes it: description, pattern, ..., each zero-terminated,
    // the whole list ended by one more zero.
    explicit TOpenDialog(std::string filter) : filter_(std::move(filter)) {}

    // Shows the dialog owned by `owner`, with the program's other windows disabled meanwhile.
    // True when the user chose a file; FileName() then holds its full path.
    bool Execute(HWND owner);
    const std::string& FileName() const { return fileName_; }

  private:
    std::string filter_;
    std::string fileName_;
};
