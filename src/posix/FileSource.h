#pragma once
// Drawing files on POSIX hosts: the platform's side of reading a drawing by its path. The
// core reads any ByteSource; callers with a path open it here and hand the source over.
#include <memory>
#include <string>

#include "preview/Preview.h"

// Opens a drawing file for reading and holds it open until the source goes. Only a regular
// file that no one holds open for writing is accepted: pipes, devices and folders would block
// or never end, a file being written would be read half-written. Throws AppError::FileOpen.
std::unique_ptr<ByteSource> OpenDrawingFile(const std::string& path);

// The core's extraction on the file at `path`, held open (and so shielded from writers) until
// its last byte is read.
DrawingPreview ReadDrawingPreview(const std::string& path);
DrawingPreview ReadDrawingThumbnail(const std::string& path);

// The check for writers, open to the tests that must act inside it: whether another program
// holds the open file `fd` open for writing. On Linux it asks through a read lease;
// `whileLeased`, when given, runs while the lease is held.
bool HeldOpenForWriting(int fd, void (*whileLeased)(int fd) = nullptr);
