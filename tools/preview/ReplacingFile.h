#pragma once
// Output files that are either complete or left as they were: the bytes go into a temporary
// file beside the output, which then takes its name. Both tools write their images so.
#include <cstdio>
#include <functional>
#include <string>

// Calls `write` with a new temporary file in `path`'s folder and, when it returns true and
// the file is flushed and closed, puts that file in `path`'s place. `write` sets `error`
// when it returns false. On failure the temporary file is removed and `error` says why,
// with the system's reason.
bool WriteFileReplacing(const std::string& path,
                        const std::function<bool(std::FILE* file, std::string& error)>& write,
                        std::string& error);

// Each platform's file gives these two steps.
// A new file with a name of its own beside `path` (its name in `tempPath`), open for
// writing; nullptr with errno set on failure.
std::FILE* CreateFileBeside(const std::string& path, std::string& tempPath);
// Renames `tempPath` to `path`, replacing a file of that name.
bool RenameReplacing(const std::string& tempPath, const std::string& path, std::string& error);
