#include "DxfCommand.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <iostream>

#include "FileSource.h"
#include "PngConvert.h"
#include "PreviewLine.h"
#include "TerminalText.h"
#include "draw/DxfPicture.h"
#include "draw/StoredPicture.h"
#include "dwg/DwgModel.h"
#include "image/DrawingPicture.h"
#include "text/ControlEscape.h"

namespace {

enum ExitCode { kReady = 0, kFailed = 1, kUsage = 2, kNothingToShow = 3 };

bool Write(const char* path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (out.flush()) return true;
    std::cerr << "ortholux-preview: cannot write " << PathForTerminal(path) << ": "
              << std::strerror(errno) << "\n";
    return false;
}

// Prints the drawn picture's line and writes it; the exit status.
int Drawn(const DxfPicture& picture, const char* output) {
    const std::string code = EscapeControls(picture.releaseCode);
    if (!picture.drawn) {
        std::cout << "Empty " << code << "\n";
        return kNothingToShow;
    }
    std::cout << "Drawn " << code << " " << picture.drawn->width << "x" << picture.drawn->height
              << " png\n";
    if (!output) return kReady;
    if (!PngConversionAvailable()) {
        std::cerr << "ortholux-preview: this build cannot write PNG files\n";
        return kFailed;
    }
    return Write(output, RgbaAsPng(*picture.drawn)) ? kReady : kFailed;
}

bool ParseSide(std::string_view text, int& side) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), side);
    return error == std::errc() && end == text.data() + text.size() && side >= 1 &&
           side <= kMaxPictureSide;
}

// "SIZE" or "WxH".
bool ParseSize(const std::string& text, DrawRequest& request) {
    const auto x = text.find('x');
    if (x == std::string::npos) {
        request.height = 0;
        return ParseSide(text, request.width);
    }
    return ParseSide(std::string_view(text).substr(0, x), request.width) &&
           ParseSide(std::string_view(text).substr(x + 1), request.height);
}

}  // namespace

int RunDxfPreview(ByteSource& drawing, const char* output) {
    DxfPicture picture = DxfPictureOf(drawing, DrawRequest());
    if (picture.stored.empty()) return Drawn(picture, output);
    DrawingPreview preview;
    preview.outcome = PreviewOutcome::Ready;
    preview.info.releaseCode = picture.releaseCode;
    const std::vector<uint8_t> image = StoredPictureImage(picture.stored, preview.info);
    std::cout << PreviewLine(preview) << "\n";
    if (output && !Write(output, image)) return kFailed;
    return kReady;
}

std::optional<int> RunDwgDrawn(ByteSource& drawing, const char* output) {
    DxfPicture picture;
    picture.drawn = DrawnDwg(drawing, DrawRequest().width, &picture.releaseCode);
    if (!picture.drawn) return std::nullopt;
    return Drawn(picture, output);
}

bool WantsDraw(const std::vector<std::string>& args) {
    return !args.empty() && args[0] == "--draw";
}

int RunDrawCommand(const std::vector<std::string>& args, const char* usage) {
    DrawRequest request;
    request.preferStored = false;
    std::size_t at = 1;
    std::string error;
    if (args.size() > at && args[at] == "-s") {
        if (args.size() <= at + 1 || !ParseSize(args[at + 1], request)) {
            error = "-s: a size (1 to " + std::to_string(kMaxPictureSide) +
                    ") or WIDTHxHEIGHT is needed";
        }
        at += 2;
    }
    if (error.empty() && args.size() != at + 2) error = "--draw takes DRAWING and OUTPUT";
    if (!error.empty()) {
        std::cerr << "ortholux-preview: " << error << "\n\n" << usage;
        return kUsage;
    }
    if (!PngConversionAvailable()) {
        std::cerr << "ortholux-preview: --draw: this build cannot write PNG files\n\n" << usage;
        return kUsage;
    }
    const std::string& path = args[at];
    const std::unique_ptr<ByteSource> drawing = OpenDrawingFile(path);
    if (LooksLikeDxf(*drawing)) return Drawn(DxfPictureOf(*drawing, request), args[at + 1].c_str());
    if (DwgModel::Reads(*drawing)) {
        return Drawn(DwgPictureOf(*drawing, request), args[at + 1].c_str());
    }
    std::cerr << "ortholux-preview: " << PathForTerminal(path)
              << ": not a DXF drawing, nor a DWG drawing of R13 to R2018\n";
    return kFailed;
}
