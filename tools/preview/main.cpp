// ortholux-preview: prints what the viewer would find in a drawing and can save the image.
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>

#include "BatchOptions.h"
#include "BatchRun.h"
#include "ContactSheet.h"
#include "DxfCommand.h"
#include "Error.h"
#include "FileSource.h"
#include "PngConvert.h"
#include "PreviewLine.h"
#include "TerminalText.h"
#include "draw/DxfPicture.h"
#include "preview/Preview.h"

namespace {

enum ExitCode { kReady = 0, kFailed = 1, kUsage = 2, kNothingToShow = 3 };

const char kUsageText[] =
    "usage: ortholux-preview DRAWING [OUTPUT]\n"
    "       ortholux-preview [-r] [--output-dir DIR [--png]] [--] DRAWING|FOLDER...\n"
    "       ortholux-preview --contact-sheet OUTDIR [-r] [-s SIZE] [--] DRAWING|FOLDER...\n"
    "       ortholux-preview --draw [-s SIZE | -s WIDTHxHEIGHT] DRAWING OUTPUT.png\n"
    "       ortholux-preview -h|--help\n"
    "\n"
    "Finds the thumbnail of a DWG drawing and prints one line:\n"
    "  Ready CODE WIDTHxHEIGHT bmp|png   the drawing has a thumbnail\n"
    "  BelowRange CODE                   release older than 1012: not shown\n"
    "  Drawn CODE WIDTHxHEIGHT png       none there: its geometry drawn (R13-R2018)\n"
    "  NoBitmap CODE                     the thumbnail directory holds no bitmap\n"
    "CODE is the drawing's release code (1012, 1014, 1015, ...). With OUTPUT and a\n"
    "thumbnail, the complete image is written there: a BMP file with black and white\n"
    "exchanged, or the stored PNG file unchanged.\n"
    "\n"
    "Exit status: 0 Ready or Drawn, 3 BelowRange or NoBitmap, 1 error (message on\n"
    "standard error), 2 wrong usage.\n"
    "\n"
    "A DXF drawing (told by its content) gives its stored picture as above, or else its\n"
    "geometry drawn: \"Drawn CODE WIDTHxHEIGHT png\" (OUTPUT: a PNG file), or\n"
    "\"Empty CODE\" and exit status 3 when it has nothing to draw. --draw draws the\n"
    "geometry even where a picture is stored: SIZE is the longer side (default 256),\n"
    "WIDTHxHEIGHT exactly that picture. It draws DWG drawings of R13 to R2018 too.\n"
    "\n"
    "The second form (chosen by any option, more than two arguments, a folder first or\n"
    "an existing *.dwg or *.dxf file second) prints PATH, a tab and the line above for\n"
    "every drawing named and every *.dwg and *.dxf file of the folders named (-r: and of\n"
    "their subfolders; DWG or DXF told by the content), \"Drawn CODE WxH png\" for a DXF\n"
    "drawing drawn from its geometry, \"Empty CODE\" for one with nothing to draw,\n"
    "\"Error MESSAGE\" after the tab for a drawing that fails, and a summary on standard\n"
    "error. --output-dir writes DIR/NAME.bmp or .png (subfolders kept; drawn pictures as\n"
    "PNG), --png converts every image to PNG. Exit status: 0 all Ready or Drawn, 3 some\n"
    "with nothing to show, 1 any failed, 2 wrong usage.\n"
    "\n"
    "--contact-sheet writes OUTDIR/index.html, one page that shows every drawing's\n"
    "thumbnail (OUTDIR/thumb-NNNNNN.png, the thumbnailer's pixels scaled to fit SIZE,\n"
    "default 256; \"drawn from geometry\" under a DXF drawing's drawn picture) with its\n"
    "path, its release and, for one without a picture, why; in\n"
    "natural order, subfolders (-r) as sections, each tile linked to its drawing. It\n"
    "prints the summary and exits as the batch form.\n";

bool WriteImage(const std::string& path, const std::vector<uint8_t>& image) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(image.data()), std::streamsize(image.size()));
    return static_cast<bool>(out.flush());
}

// The exit status `code`, or kFailed when standard output could not take what was printed.
int Finish(int code) {
    errno = 0;
    if (std::cout.flush() && std::fflush(stdout) == 0 && !std::ferror(stdout)) return code;
    std::cerr << "ortholux-preview: cannot write standard output: "
              << std::strerror(errno != 0 ? errno : EIO) << "\n";
    return kFailed;
}

int RunBatchCommand(const std::vector<std::string>& args) {
    std::string error;
    const auto options = ParseBatchOptions(args, error);
    if (options && options->png && !PngConversionAvailable()) {
        error = "--png: this build cannot write PNG files";
    }
    if (options && !options->contactSheet.empty() && !PngConversionAvailable()) {
        error = "--contact-sheet: this build cannot write PNG files";
    }
    if (!options || !error.empty()) {
        std::cerr << "ortholux-preview: " << error << "\n\n" << kUsageText;
        return kUsage;
    }
    if (!options->contactSheet.empty()) return RunContactSheet(*options, stderr);
    return RunBatch(*options, stdout, stderr);
}

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (WantsHelp(args)) {
        std::cout << kUsageText;
        return Finish(kReady);
    }
    if (WantsDraw(args)) {
        try {
            return Finish(RunDrawCommand(args, kUsageText));
        } catch (...) {
            const ToolFailure failure =
                CurrentToolFailure(args.size() > 2 ? args[args.size() - 2] : std::string());
            std::cerr << failure.text << "\n";
            return failure.status;
        }
    }
    if (WantsBatch(args)) return RunBatchCommand(args);
    if (argc < 2 || argc > 3 || argv[1][0] == '\0') {
        std::cerr << kUsageText;
        return kUsage;
    }
    const std::string drawing = argv[1];
    try {
        {
            const std::unique_ptr<ByteSource> source = OpenDrawingFile(drawing);
            if (LooksLikeDxf(*source)) {
                return Finish(RunDxfPreview(*source, argc == 3 ? argv[2] : nullptr));
            }
        }
        const DrawingPreview preview = ReadDrawingPreview(drawing);
        if (preview.outcome == PreviewOutcome::NoBitmap) {
            const std::unique_ptr<ByteSource> source = OpenDrawingFile(drawing);
            if (const auto status = RunDwgDrawn(*source, argc == 3 ? argv[2] : nullptr)) {
                return Finish(*status);
            }
        }
        std::cout << PreviewLine(preview) << "\n";
        if (preview.outcome != PreviewOutcome::Ready) return Finish(kNothingToShow);
        if (argc == 3 && !WriteImage(argv[2], preview.image)) {
            std::cerr << "ortholux-preview: cannot write " << PathForTerminal(argv[2]) << ": "
                      << std::strerror(errno) << "\n";
            return kFailed;
        }
        return Finish(kReady);
    } catch (...) {
        const ToolFailure failure = CurrentToolFailure(drawing);
        std::cerr << failure.text << "\n";
        return failure.status;
    }
}
