// ortholux-thumbnailer: a freedesktop thumbnailer. Writes a drawing's thumbnail, scaled to
// fit SIZE, as a PNG file (a DXF drawing without one drawn at SIZE); on anything else writes
// nothing and exits non-zero, so the file manager records a failed thumbnail and keeps its
// generic icon.
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <utility>

#include "Error.h"
#include "FileSource.h"
#include "FileUri.h"
#include "PngCodec.h"
#include "TerminalText.h"
#include "ThumbnailFile.h"
#include "image/DrawingPicture.h"
#include "text/ControlEscape.h"

namespace {

enum ExitCode { kWritten = 0, kFailed = 1, kUsage = 2, kNothingToShow = 3 };
constexpr int kDefaultSize = 256;
constexpr int kLargestSize = 4096;
// A file manager asks for every file of a folder it shows: DXF drawings larger than this (in
// MiB) are not read. The user sets it in the environment the file manager starts with.
constexpr char kDxfLimitVariable[] = "ORTHOLUX_DXF_LIMIT_MB";

const char kUsageText[] =
    "usage: ortholux-thumbnailer [-s SIZE] INPUT OUTPUT\n"
    "\n"
    "Writes the thumbnail of the DWG or DXF drawing INPUT (a path or a file:// URI) to\n"
    "OUTPUT as a PNG file, scaled down so that its longer side is at most SIZE pixels\n"
    "(default 256, at most 4096). A DXF drawing that stores no thumbnail is drawn from its\n"
    "geometry at SIZE. DXF drawings larger than ORTHOLUX_DXF_LIMIT_MB mebibytes (default\n"
    "64; 0 reads none) are not read. Exit status: 0 written, 3 the drawing has no\n"
    "thumbnail to show, 1 error, 2 wrong usage; on anything but 0 OUTPUT is left untouched.\n";

struct Arguments {
    int size = kDefaultSize;
    std::string input;
    std::string output;
};

bool ParseSize(const char* text, int& size) {
    if (!text || !*text) return false;
    long value = 0;
    for (const char* p = text; *p; ++p) {
        if (*p < '0' || *p > '9') return false;
        value = value * 10 + (*p - '0');
        if (value > kLargestSize) return false;
    }
    size = static_cast<int>(value);
    return size > 0;
}

bool ParseArguments(int argc, char** argv, Arguments& args) {
    int i = 1;
    if (i < argc && (std::strcmp(argv[i], "-s") == 0 || std::strcmp(argv[i], "--size") == 0)) {
        if (!ParseSize(i + 1 < argc ? argv[i + 1] : nullptr, args.size)) return false;
        i += 2;
    }
    if (i < argc && std::strcmp(argv[i], "--") == 0) ++i;
    if (argc - i != 2 || !*argv[i] || !*argv[i + 1]) return false;
    args.input = argv[i];
    args.output = argv[i + 1];
    return true;
}

// The limit in MiB from the environment; false for a value that is no such number.
bool DxfLimitMebibytes(uint64_t& mebibytes) {
    mebibytes = kDefaultDxfLimitBytes >> 20;
    const char* text = std::getenv(kDxfLimitVariable);
    if (!text) return true;
    if (!*text) return false;
    uint64_t value = 0;
    for (const char* p = text; *p; ++p) {
        if (*p < '0' || *p > '9' || value > (UINT64_MAX - 9) / 10) return false;
        value = value * 10 + static_cast<uint64_t>(*p - '0');
    }
    mebibytes = value;
    return true;
}

int Fail(const std::string& input, const std::string& reason, int code = kFailed) {
    std::cerr << "ortholux-thumbnailer: " << PathForTerminal(input) << ": " << reason << "\n";
    return code;
}

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::cout << kUsageText;
        return kWritten;
    }
    Arguments args;
    if (!ParseArguments(argc, argv, args)) {
        std::cerr << kUsageText;
        return kUsage;
    }
    const auto path = PathFromArgument(args.input);
    if (!path) return Fail(args.input, "not a local file URI");
    uint64_t limit = 0;
    if (!DxfLimitMebibytes(limit)) {
        std::cerr << "ortholux-thumbnailer: " << kDxfLimitVariable << "="
                  << EscapeControls(std::getenv(kDxfLimitVariable))
                  << " is no number of mebibytes\n";
        return kUsage;
    }
    PictureRequest request;
    request.size = args.size;
    // 0 reads none: a limit of one byte lets no drawing through.
    request.dxfLimit = limit == 0 ? 1 : DxfLimitFromMebibytes(limit);
    try {
        DrawingPicture picture = ReadDrawingPicture(*OpenDrawingFile(*path), request);
        const std::string code = EscapeControls(picture.preview.info.releaseCode);
        switch (picture.outcome) {
            case PictureOutcome::BelowRange:
                return Fail(*path, "release " + code + " carries no thumbnail", kNothingToShow);
            case PictureOutcome::NoBitmap:
                return Fail(*path,
                            "the thumbnail directory of release " + code + " holds no bitmap",
                            kNothingToShow);
            case PictureOutcome::Empty:
                return Fail(*path, "the DXF drawing of release " + code + " has nothing to draw",
                            kNothingToShow);
            case PictureOutcome::TooLarge:
                return Fail(*path,
                            "the DXF drawing is larger than " + std::to_string(limit) + " MiB (" +
                                kDxfLimitVariable + "): not read",
                            kNothingToShow);
            case PictureOutcome::Stored:
            case PictureOutcome::Drawn:
                break;
        }
        // One image at a time: the rebuilt image goes once decoded, the pixels are scaled in
        // their own buffer.
        const RgbaImage pixels = DrawingPixels(std::move(picture), args.size, DecodePngFitted);
        std::string error;
        if (!WritePngReplacing(args.output, pixels, error)) return Fail(args.output, error);
        return kWritten;
    } catch (...) {
        const ToolFailure failure = CurrentToolFailure(*path);
        return Fail(*path, failure.text, failure.status);
    }
}
