#pragma once
// The contact sheet's page: index.html with one tile per drawing, in sections per folder.
// Plain HTML and CSS, no scripts, so it opens from the file system in any browser; images
// load lazily with their size known, so a folder of thousands lays out at once.
#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

enum class TileState { Picture, NothingToShow, Failed };

struct SheetTile {
    std::filesystem::path drawing;  // as found, for reading and linking
    std::string shown;              // its path relative to the folder named, raw bytes
    TileState state = TileState::Failed;
    std::string image;  // with Picture: the PNG file's name inside the sheet's folder
    int width = 0;
    int height = 0;
    bool drawn = false;   // with Picture: a DXF drawing's geometry drawn, none stored
    std::string release;  // UTF-8: as people name it (ReleaseName); empty when not known
    std::string outcome;  // UTF-8: "NoBitmap 1021", "Error ..."; empty with Picture
};

struct SheetSection {
    std::string heading;  // the folder, raw bytes; empty for drawings named on their own
    std::vector<SheetTile> tiles;
};

struct SheetCounts {
    std::size_t drawings = 0;
    std::size_t ready = 0;
    std::size_t nothing = 0;
    std::size_t failed = 0;
};

// The link from the sheet's folder to a drawing: a relative URL when there is one, else a
// file: URL of its absolute path; percent-encoded from the raw bytes either way.
std::string DrawingHref(const std::filesystem::path& drawing,
                        const std::filesystem::path& sheetFolder);

// The whole page; `size` is the thumbnails' limit, the height of every picture box.
std::string SheetPage(const std::vector<SheetSection>& sections,
                      const std::filesystem::path& sheetFolder, int size,
                      const SheetCounts& counts);
