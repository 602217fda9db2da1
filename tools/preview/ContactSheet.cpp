#include "ContactSheet.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <malloc.h>
#include <map>
#include <mutex>
#include <set>
#include <string_view>
#include <thread>
#include <utility>

#include "DrawingWalk.h"
#include "Error.h"
#include "FileSource.h"
#include "PngCodec.h"
#include "PreviewLine.h"
#include "Progress.h"
#include "ReleaseName.h"
#include "ReplacingFile.h"
#include "SheetPage.h"
#include "SheetText.h"
#include "TerminalText.h"
#include "image/DrawingPicture.h"
#include "text/NaturalOrder.h"

namespace fs = std::filesystem;

namespace {

// Enough to keep every core busy; each worker holds one drawing's image at a time.
constexpr unsigned kMostWorkers = 8;

bool PathLess(const fs::path& a, const fs::path& b) {
    auto i = a.begin(), j = b.begin();
    for (; i != a.end() && j != b.end(); ++i, ++j) {
        const int order = NaturalCompare(i->native(), j->native());
        if (order != 0) return order < 0;
    }
    return i == a.end() && j != b.end();
}

// The folder as named, without the slashes that would double before a subfolder.
std::string FolderHeading(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

// A folder named on the command line: a section for it and one for each subfolder that holds
// drawings, every list in natural order.
void AddFolder(const std::string& folder, bool recursive, std::vector<SheetSection>& sections) {
    const DrawingWalk walk = FindDrawings({folder}, recursive);
    std::map<fs::path, std::vector<SheetTile>> byFolder;
    byFolder[fs::path()];  // the folder's own section, even when empty
    for (const DrawingItem& item : walk.drawings) {
        SheetTile tile;
        tile.drawing = item.path;
        tile.shown = (item.outputFolder / item.path.filename()).generic_string();
        byFolder[item.outputFolder].push_back(std::move(tile));
    }
    for (const WalkProblem& problem : walk.problems) {
        fs::path relative = problem.path.lexically_relative(folder);
        if (relative == ".") relative.clear();
        SheetTile tile;
        tile.drawing = problem.path;
        tile.shown = relative.empty() ? FolderHeading(folder) : relative.generic_string();
        tile.outcome = "Error cannot read folder: " + TextForPage(problem.reason);
        byFolder[relative].push_back(std::move(tile));
    }
    std::vector<std::pair<fs::path, std::vector<SheetTile>>> ordered(
        std::make_move_iterator(byFolder.begin()), std::make_move_iterator(byFolder.end()));
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const auto& a, const auto& b) { return PathLess(a.first, b.first); });
    const std::string heading = FolderHeading(folder);
    for (auto& [relative, tiles] : ordered) {
        std::stable_sort(tiles.begin(), tiles.end(), [](const SheetTile& a, const SheetTile& b) {
            return NaturalLess(a.drawing.filename().native(), b.drawing.filename().native());
        });
        SheetSection section;
        section.heading = heading;
        if (!relative.empty()) {
            if (heading.back() != '/') section.heading += '/';
            section.heading += relative.generic_string();
        }
        section.tiles = std::move(tiles);
        sections.push_back(std::move(section));
    }
}

std::vector<SheetSection> CollectSections(const BatchOptions& options) {
    std::vector<SheetSection> sections;
    bool lastWasFiles = false;
    for (const std::string& operand : options.operands) {
        std::error_code ignored;
        if (fs::is_directory(operand, ignored)) {
            AddFolder(operand, options.recursive, sections);
            lastWasFiles = false;
            continue;
        }
        // Drawings named on their own, in the order given, grouped while they follow each other.
        if (!lastWasFiles) sections.emplace_back();
        SheetTile tile;
        tile.drawing = operand;
        tile.shown = operand;
        sections.back().tiles.push_back(std::move(tile));
        lastWasFiles = true;
    }
    return sections;
}

// Call inside a catch block. The file-open error holds the caller's path, which is not
// Shift-JIS like the text around it.
std::string CurrentErrorForPage(const std::string& path) {
    return CurrentToolFailure(path, PathForPage(path), ShiftJisToUtf8, TextForPage).text;
}

void MakeTile(SheetTile& tile, const fs::path& sheetFolder, int size) {
    const std::string path = tile.drawing.string();
    try {
        PictureRequest request;
        request.size = size;
        DrawingPicture picture = ReadDrawingPicture(*OpenDrawingFile(path), request);
        tile.release = TextForPage(display::ReleaseName(picture.preview.info.releaseCode));
        if (picture.outcome != PictureOutcome::Stored && picture.outcome != PictureOutcome::Drawn) {
            tile.state = TileState::NothingToShow;
            tile.outcome = TextForPage(PictureLine(picture));
            return;
        }
        tile.drawn = picture.outcome == PictureOutcome::Drawn;
        // The thumbnailer's own steps, so the PNG holds the pixels it would write; encoded
        // for speed, as a sheet writes thousands (a third less processor time per drawing,
        // files some 4% larger).
        const RgbaImage pixels = DrawingPixels(std::move(picture), size, DecodePngFitted);
        const std::string target = (sheetFolder / tile.image).string();
        std::string why;
        const auto encode = [&](std::FILE* file, std::string& error) {
            return EncodePng(pixels, file, error, PngEffort::Faster);
        };
        if (!WriteFileReplacing(target, encode, why)) {
            tile.outcome = "Error cannot write " + tile.image + ": " + TextForPage(why);
            return;
        }
        tile.state = TileState::Picture;
        tile.width = pixels.width;
        tile.height = pixels.height;
        return;
    } catch (...) {
        tile.outcome = "Error " + CurrentErrorForPage(path);
    }
    tile.state = TileState::Failed;
}

// Reads the drawings on a small pool of threads; each tile has its slot, so the page's order
// does not depend on which finishes first.
void MakeTiles(const std::vector<SheetTile*>& tiles, const fs::path& sheetFolder, int size) {
    // Every drawing allocates images of much the same sizes: keeping freed memory for the next
    // one spares the page faults of fresh pages each time.
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    Progress progress(tiles.size(), /*linesOnStdout=*/false);
    std::mutex progressLock;
    std::size_t done = 0;
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t i; (i = next++) < tiles.size();) {
            MakeTile(*tiles[i], sheetFolder, size);
            const std::lock_guard<std::mutex> hold(progressLock);
            progress.Update(++done);
        }
    };
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t workers = std::min<std::size_t>({cores, kMostWorkers, tiles.size()});
    std::vector<std::thread> threads;
    for (std::size_t k = 1; k < workers; ++k) {
        try {
            threads.emplace_back(work);
        } catch (const std::system_error&) {
            break;  // fewer threads, same result
        }
    }
    work();
    for (std::thread& thread : threads) thread.join();
    progress.Finish();
}

bool IsPictureName(const std::string& name) {
    constexpr std::string_view kPrefix = "thumb-", kSuffix = ".png";
    if (name.size() < kPrefix.size() + 6 + kSuffix.size()) return false;
    if (name.compare(0, kPrefix.size(), kPrefix) != 0) return false;
    if (name.compare(name.size() - kSuffix.size(), kSuffix.size(), kSuffix) != 0) return false;
    const auto digits = name.substr(kPrefix.size(), name.size() - kPrefix.size() - kSuffix.size());
    return std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Pictures of an earlier run (one of more drawings, or one whose drawing now has none) that
// the new page does not show: the numbered files only, nothing else in the folder.
bool RemoveUnusedPictures(const fs::path& sheetFolder, const std::vector<SheetSection>& sections,
                          std::FILE* err) {
    std::set<std::string> used;
    for (const SheetSection& section : sections) {
        for (const SheetTile& tile : section.tiles) {
            if (tile.state == TileState::Picture) used.insert(tile.image);
        }
    }
    std::error_code error;
    std::vector<fs::path> unused;
    for (fs::directory_iterator it(sheetFolder, error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        std::error_code ignored;
        if (IsPictureName(name) && !used.count(name) && it->is_regular_file(ignored) &&
            !it->is_symlink(ignored)) {
            unused.push_back(it->path());
        }
    }
    bool ok = !error;
    if (error) {
        std::fprintf(err, "ortholux-preview: cannot read %s: %s\n",
                     PathForTerminal(sheetFolder.string()).c_str(), error.message().c_str());
    }
    for (const fs::path& path : unused) {
        if (!fs::remove(path, error) && error) {
            std::fprintf(err, "ortholux-preview: cannot remove %s: %s\n",
                         PathForTerminal(path.string()).c_str(), error.message().c_str());
            ok = false;
        }
    }
    return ok;
}

}  // namespace

int RunContactSheet(const BatchOptions& options, std::FILE* err) {
    const fs::path sheetFolder = options.contactSheet;
    std::error_code error;
    fs::create_directories(sheetFolder, error);
    if (error) {
        std::fprintf(err, "ortholux-preview: cannot create %s: %s\n",
                     PathForTerminal(sheetFolder.string()).c_str(), error.message().c_str());
        return 1;
    }

    std::vector<SheetSection> sections = CollectSections(options);
    // Image names are numbers in page order: safe whatever the drawings are called.
    std::vector<SheetTile*> drawings;
    SheetCounts counts;
    for (SheetSection& section : sections) {
        for (SheetTile& tile : section.tiles) {
            if (!tile.outcome.empty()) continue;  // a folder that could not be read
            char name[32];
            std::snprintf(name, sizeof name, "thumb-%06zu.png", drawings.size() + 1);
            tile.image = name;
            drawings.push_back(&tile);
        }
    }
    MakeTiles(drawings, sheetFolder, options.size);

    for (const SheetSection& section : sections) {
        for (const SheetTile& tile : section.tiles) {
            ++counts.drawings;  // an unreadable folder too: it is counted as failed
            if (tile.state == TileState::Picture) ++counts.ready;
            if (tile.state == TileState::NothingToShow) ++counts.nothing;
            if (tile.state == TileState::Failed) ++counts.failed;
        }
    }

    const std::string page = SheetPage(sections, sheetFolder, options.size, counts);
    const fs::path index = sheetFolder / "index.html";
    std::string why;
    const bool written = WriteFileReplacing(
        index.string(),
        [&](std::FILE* file, std::string& reason) {
            if (std::fwrite(page.data(), 1, page.size(), file) == page.size()) return true;
            reason = std::strerror(errno);
            return false;
        },
        why);

    std::fprintf(err,
                 "ortholux-preview: %zu drawings: %zu ready, %zu nothing to show, %zu failed\n",
                 counts.drawings, counts.ready, counts.nothing, counts.failed);
    if (!written) {
        std::fprintf(err, "ortholux-preview: cannot write %s: %s\n",
                     PathForTerminal(index.string()).c_str(), why.c_str());
    }
    // The old page stays where the new one could not be written, and with it its pictures.
    const bool cleared = !written || RemoveUnusedPictures(sheetFolder, sections, err);
    if (counts.failed > 0 || !written || !cleared) return 1;
    return counts.nothing > 0 ? 3 : 0;
}
