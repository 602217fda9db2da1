#pragma once
// Drawing files on Windows: the platform's side of reading a drawing by its path. The core
// reads any ByteSource; callers with a path open it here and hand the source over.
#include <memory>
#include <string>

#include "preview/Preview.h"

// Opens a drawing file for reading, sharing it with other readers but not with writers, and
// holds it open until the source goes. Only a file on disk is accepted: pipes and devices
// would block or never end. Throws AppError::FileOpen.
std::unique_ptr<ByteSource> OpenDrawingFile(const std::string& path);

// The core's extraction on the file at `path`, held open (and so shielded from writers) until
// its last byte is read.
DrawingPreview ReadDrawingPreview(const std::string& path);
DrawingPreview ReadDrawingThumbnail(const std::string& path);
