// Whole-file loading for the preview extraction on Windows: readers may share the file,
// writers may not, so a drawing that a CAD program is still writing is refused instead of
// read half-written.
#include <windows.h>

#include <algorithm>
#include <new>

#include "Error.h"
#include "Scoped.h"
#include "preview/Preview.h"

std::vector<uint8_t> LoadWholeFile(const std::string& path) {
    const win::ScopedFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw AppError(FormatMessageText(msg::kFileOpen, path));
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size)) throw AppError(msg::kStreamRead);

    std::vector<uint8_t> buffer;
    try {
        if (static_cast<unsigned long long>(size.QuadPart) > buffer.max_size()) throw std::bad_alloc();
        buffer.resize(static_cast<std::size_t>(size.QuadPart));
    } catch (const std::exception&) {
        throw AppError(msg::kStreamGrow);
    }
    std::size_t done = 0;
    while (done < buffer.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(buffer.size() - done, 1u << 30));
        DWORD got = 0;
        if (!ReadFile(file.Get(), buffer.data() + done, chunk, &got, nullptr) || got == 0) {
            throw AppError(msg::kStreamRead);
        }
        done += got;
    }
    return buffer;
}
