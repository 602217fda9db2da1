// ortholux-preview: prints what the viewer would find in a drawing and can save the image.
#include <clocale>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>

#include "Error.h"
#include "TerminalText.h"
#include "preview/Preview.h"

namespace {

enum ExitCode { kReady = 0, kFailed = 1, kUsage = 2, kNothingToShow = 3 };

const char kUsageText[] =
    "usage: ortholux-preview DRAWING [OUTPUT]\n"
    "\n"
    "Finds the thumbnail of a DWG drawing and prints one line:\n"
    "  Ready CODE WIDTHxHEIGHT bmp|png   the drawing has a thumbnail\n"
    "  BelowRange CODE                   release older than 1012: not shown\n"
    "  NoBitmap CODE                     the thumbnail directory holds no bitmap\n"
    "CODE is the drawing's release code (1012, 1014, 1015, ...). With OUTPUT and a\n"
    "thumbnail, the complete image is written there: a BMP file with black and white\n"
    "exchanged, or the stored PNG file unchanged.\n"
    "\n"
    "Exit status: 0 Ready, 3 BelowRange or NoBitmap, 1 error (message on standard\n"
    "error), 2 wrong usage.\n";

// The error texts are Shift-JIS; the path inside the file-open error is the caller's own
// bytes and must not be converted with them.
std::string ErrorForTerminal(const AppError& error, const std::string& path) {
    const std::string pattern = msg::kFileOpen;
    if (error.Message() == FormatMessageText(pattern, path)) {
        const auto at = pattern.find("%s");
        return ShiftJisToTerminal(pattern.substr(0, at)) + path +
               ShiftJisToTerminal(pattern.substr(at + 2));
    }
    return ShiftJisToTerminal(error.Message());
}

bool WriteImage(const std::string& path, const std::vector<uint8_t>& image) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(image.data()), std::streamsize(image.size()));
    return static_cast<bool>(out.flush());
}

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::cout << kUsageText;
        return kReady;
    }
    if (argc < 2 || argc > 3 || argv[1][0] == '\0') {
        std::cerr << kUsageText;
        return kUsage;
    }
    const std::string drawing = argv[1];
    try {
        const DrawingPreview preview = ReadDrawingPreview(drawing);
        const std::string& code = preview.info.releaseCode;
        switch (preview.outcome) {
            case PreviewOutcome::BelowRange:
                std::cout << "BelowRange " << code << "\n";
                return kNothingToShow;
            case PreviewOutcome::NoBitmap:
                std::cout << "NoBitmap " << code << "\n";
                return kNothingToShow;
            case PreviewOutcome::Ready:
                break;
        }
        std::cout << "Ready " << code << " " << preview.info.width << "x" << preview.info.height
                  << (preview.info.kind == ImageKind::Png ? " png" : " bmp") << "\n";
        if (argc == 3 && !WriteImage(argv[2], preview.image)) {
            std::cerr << "ortholux-preview: cannot write " << argv[2] << ": "
                      << std::strerror(errno) << "\n";
            return kFailed;
        }
        return kReady;
    } catch (const AppError& error) {
        std::cerr << ErrorForTerminal(error, drawing) << "\n";
    } catch (const std::bad_alloc&) {
        std::cerr << ShiftJisToTerminal(msg::kOutOfMemory) << "\n";
    }
    return kFailed;
}
