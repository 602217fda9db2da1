#pragma once
// The drawings a batch run covers: files named on the command line as they are, and the
// *.dwg and *.dxf files (any case) of named folders, in name order, descending into subfolders
// with -r (symbolic links to folders are not followed, so a loop cannot trap the walk).
#include <filesystem>
#include <string>
#include <vector>

struct DrawingItem {
    std::filesystem::path path;
    // Where its image goes below --output-dir: the subfolder it was found in, relative to
    // the folder named on the command line, so equal names in different folders stay apart.
    std::filesystem::path outputFolder;
};

struct WalkProblem {
    std::filesystem::path path;
    std::string reason;
};

struct DrawingWalk {
    std::vector<DrawingItem> drawings;
    std::vector<WalkProblem> problems;  // folders that could not be read
};

DrawingWalk FindDrawings(const std::vector<std::string>& operands, bool recursive);
