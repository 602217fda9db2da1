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

// A new file with a name of its own beside `path`, PATH.~PID.N (its name in `tempPath`), open
// for writing; nullptr with errno set on failure. N counts up across the process's threads,
// past names an earlier run of the same process id left behind.
std::FILE* CreateFileBeside(const std::string& path, std::string& tempPath);

// Each platform's file gives these steps.
unsigned long CurrentProcessId();
// Creates `path`, which must not exist yet (errno EEXIST when it does), open for writing with
// the mode a new file gets: its descriptor, or -1 with errno set.
int OpenNewFile(const std::string& path);
std::FILE* StreamOfDescriptor(int fd);  // nullptr with errno set
void CloseDescriptor(int fd);
// Renames `tempPath` to `path`, replacing a file of that name.
bool RenameReplacing(const std::string& tempPath, const std::string& path, std::string& error);
