// ortholux-thumbnailer: a freedesktop thumbnailer. Writes a drawing's thumbnail, scaled to
// fit SIZE, as a PNG file; on anything else writes nothing and exits non-zero, so the file
// manager records a failed thumbnail and keeps its generic icon.
#include <clocale>
#include <cstdio>
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
#include "image/ThumbnailPicture.h"
#include "preview/Preview.h"
#include "text/ControlEscape.h"

namespace {

enum ExitCode { kWritten = 0, kFailed = 1, kUsage = 2, kNothingToShow = 3 };
constexpr int kDefaultSize = 256;
constexpr int kLargestSize = 4096;

const char kUsageText[] =
    "usage: ortholux-thumbnailer [-s SIZE] INPUT OUTPUT\n"
    "\n"
    "Writes the thumbnail of the DWG drawing INPUT (a path or a file:// URI) to OUTPUT as a\n"
    "PNG file, scaled down so that its longer side is at most SIZE pixels (default 256,\n"
    "at most 4096). Exit status: 0 written, 3 the drawing has no thumbnail to show,\n"
    "1 error, 2 wrong usage; on anything but 0 OUTPUT is left untouched.\n";

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
    try {
        DrawingPreview preview = ReadDrawingThumbnail(*path);
        const std::string code = EscapeControls(preview.info.releaseCode);
        if (preview.outcome == PreviewOutcome::BelowRange) {
            return Fail(*path, "release " + code + " carries no thumbnail", kNothingToShow);
        }
        if (preview.outcome == PreviewOutcome::NoBitmap) {
            return Fail(*path, "the thumbnail directory of release " + code + " holds no bitmap",
                        kNothingToShow);
        }
        // One image at a time: the rebuilt image goes once decoded, the pixels are scaled in
        // their own buffer.
        const RgbaImage pixels = ThumbnailPicture(std::move(preview), args.size, DecodePngFitted);
        std::string error;
        if (!WritePngReplacing(args.output, pixels, error)) return Fail(args.output, error);
        return kWritten;
    } catch (...) {
        const ToolFailure failure = CurrentToolFailure(*path);
        return Fail(*path, failure.text, failure.status);
    }
}
