// Drawing files on Windows, read where their fields lie. Readers may share the file, writers
// may not, so a drawing that a CAD program is still writing is refused instead of read
// half-written; the handle is held until the last read.
//
// Each read is a plain positioned ReadFile, never a mapped view: on a network share a page
// that cannot be read would surface as an exception in the middle of the parser, where a
// failed or short read is simply the stream-read error.
#include "FileSource.h"

#include <windows.h>

#include <algorithm>
#include <utility>

#include "Error.h"
#include "Scoped.h"

namespace {

class WindowsFileSource final : public ByteSource {
  public:
    WindowsFileSource(win::ScopedFile file, uint64_t size)
        : ByteSource(size), file_(std::move(file)) {}

  private:
    bool ReadAt(uint64_t offset, std::span<uint8_t> out) override {
        std::size_t done = 0;
        while (done < out.size()) {
            const uint64_t at = offset + done;
            OVERLAPPED position{};
            position.Offset = static_cast<DWORD>(at);
            position.OffsetHigh = static_cast<DWORD>(at >> 32);
            const DWORD chunk =
                static_cast<DWORD>(std::min<std::size_t>(out.size() - done, 1u << 30));
            DWORD got = 0;
            if (!ReadFile(file_.Get(), out.data() + done, chunk, &got, &position) || got == 0) {
                return false;  // a failed read, or the file ended early: it shrank
            }
            done += got;
        }
        return true;
    }

    win::ScopedFile file_;
};

}  // namespace

std::unique_ptr<ByteSource> OpenDrawingFile(const std::string& path) {
    win::ScopedFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    // Pipes and devices named like a drawing would block or never end: only disk files.
    LARGE_INTEGER size{};
    if (!file || GetFileType(file.Get()) != FILE_TYPE_DISK || !GetFileSizeEx(file.Get(), &size)) {
        throw AppError::FileOpen(path);
    }
    return std::make_unique<WindowsFileSource>(std::move(file),
                                               static_cast<uint64_t>(size.QuadPart));
}

DrawingPreview ReadDrawingPreview(const std::string& path) {
    return ReadDrawingPreview(*OpenDrawingFile(path));
}

DrawingPreview ReadDrawingThumbnail(const std::string& path) {
    return ReadDrawingThumbnail(*OpenDrawingFile(path));
}
