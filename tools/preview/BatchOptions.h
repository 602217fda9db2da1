#pragma once
// The batch form's command line:
//   ortholux-preview [-r] [--output-dir DIR] [--png] [--] DRAWING|FOLDER...
//   ortholux-preview --contact-sheet OUTDIR [-r] [-s SIZE] [--] DRAWING|FOLDER...
// It is chosen when an option is given, when there are more than two operands, when the
// first operand is a folder, or when the second is an existing *.dwg or *.dxf file; otherwise
// the single-file form DRAWING [OUTPUT] stays as it is.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

struct BatchOptions {
    bool recursive = false;
    bool png = false;
    std::string outputDir;     // empty: report only
    std::string contactSheet;  // the contact sheet's folder; empty: none
    int size = 256;            // its thumbnails' limit, as the thumbnailer's -s
    std::vector<std::string> operands;
};

// A *.dwg or *.dxf name, in any case: what a folder walk takes. The format itself is told by
// the content.
bool IsDrawingName(const std::filesystem::path& path);

// True when -h or --help stands among `args` as an option: not after "--", not as the value
// of --output-dir, --contact-sheet or -s.
bool WantsHelp(const std::vector<std::string>& args);

// True when `args` (without the program name) ask for the batch form.
bool WantsBatch(const std::vector<std::string>& args);

// The options, or nothing for wrong usage (with the reason in `error`).
std::optional<BatchOptions> ParseBatchOptions(const std::vector<std::string>& args,
                                              std::string& error);
