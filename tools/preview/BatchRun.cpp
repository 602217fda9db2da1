#include "BatchRun.h"

#include <cerrno>
#include <cstring>
#include <set>
#include <system_error>
#include <utility>

#include "DrawingWalk.h"
#include "Error.h"
#include "FileSource.h"
#include "PngConvert.h"
#include "PreviewLine.h"
#include "Progress.h"
#include "ReplacingFile.h"
#include "TerminalText.h"
#include "text/ControlEscape.h"

namespace fs = std::filesystem;

namespace {

struct Tally {
    std::size_t ready = 0;
    std::size_t nothing = 0;
    std::size_t failed = 0;
};

class OutputFolder {
  public:
    explicit OutputFolder(const BatchOptions& options) : options_(options) {}

    // Writes a Stored or Drawn picture's image; returns an error text, empty on success.
    std::string Write(const DrawingItem& item, DrawingPicture& picture) {
        const bool drawn = picture.outcome == PictureOutcome::Drawn;
        DrawingPreview& preview = picture.preview;
        const bool png = drawn || options_.png || preview.info.kind == ImageKind::Png;
        const fs::path folder = fs::path(options_.outputDir) / item.outputFolder;
        fs::path target = folder / item.path.stem();
        target += png ? ".png" : ".bmp";
        if (!written_.insert(target).second) {
            return "cannot write " + PathForTerminal(target.string()) +
                   ": another drawing's image has that name";
        }
        std::error_code error;
        fs::create_directories(folder, error);
        if (error) {
            return "cannot create " + PathForTerminal(folder.string()) + ": " + error.message();
        }
        if (drawn) {
            preview.image = RgbaAsPng(*picture.drawn);
        } else if (options_.png) {
            preview.image = ImageAsPng(std::move(preview));
        }
        const std::vector<uint8_t>& bytes = preview.image;
        const auto writeBytes = [&](std::FILE* file, std::string& why) {
            if (std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size()) return true;
            why = std::strerror(errno);
            return false;
        };
        std::string why;
        if (!WriteFileReplacing(target.string(), writeBytes, why)) {
            return "cannot write " + PathForTerminal(target.string()) + ": " + why;
        }
        return {};
    }

  private:
    const BatchOptions& options_;
    std::set<fs::path> written_;
};

// Returns 0, or the errno of a failed write. `text` has its paths and codes escaped already.
int PrintLine(std::FILE* out, const fs::path& path, const std::string& text) {
    const std::string line = PathForTerminal(path.string()) + "\t" + text + "\n";
    errno = 0;
    if (std::fwrite(line.data(), 1, line.size(), out) == line.size()) return 0;
    return errno != 0 ? errno : EIO;
}

// The text after the tab for one drawing, counted in `tally`.
std::string ReadOne(const DrawingItem& item, const BatchOptions& options, OutputFolder& output,
                    Tally& tally) {
    const std::string path = item.path.string();
    try {
        // Converting to PNG decodes the image: a thumbnail that cannot decode fails at once.
        PictureRequest request;
        request.decodes = options.png;
        DrawingPicture picture = ReadDrawingPicture(*OpenDrawingFile(path), request);
        const std::string line = PictureLine(picture);
        if (picture.outcome != PictureOutcome::Stored && picture.outcome != PictureOutcome::Drawn) {
            ++tally.nothing;
            return line;
        }
        if (!options.outputDir.empty()) {
            const std::string error = output.Write(item, picture);
            if (!error.empty()) {
                ++tally.failed;
                return "Error " + error;
            }
        }
        ++tally.ready;
        return line;
    } catch (...) {
        ++tally.failed;
        return "Error " + CurrentToolFailure(path).text;
    }
}

}  // namespace

int RunBatch(const BatchOptions& options, std::FILE* out, std::FILE* err) {
    const DrawingWalk walk = FindDrawings(options.operands, options.recursive);
    Tally tally;
    // The first failed write to `out`; the run goes on, for the images and the summary.
    int outError = 0;
    const auto print = [&](const fs::path& path, const std::string& text) {
        const int error = PrintLine(out, path, text);
        if (outError == 0) outError = error;
    };
    for (const WalkProblem& problem : walk.problems) {
        print(problem.path, "Error cannot read folder: " + problem.reason);
        ++tally.failed;
    }

    OutputFolder output(options);
    Progress progress(walk.drawings.size());
    for (std::size_t i = 0; i < walk.drawings.size(); ++i) {
        const DrawingItem& item = walk.drawings[i];
        print(item.path, ReadOne(item, options, output, tally));
        progress.Update(i + 1);
    }
    progress.Finish();
    errno = 0;
    if ((std::fflush(out) != 0 || std::ferror(out)) && outError == 0) {
        outError = errno != 0 ? errno : EIO;
    }

    std::fprintf(
        err, "ortholux-preview: %zu drawings: %zu ready, %zu nothing to show, %zu failed\n",
        walk.drawings.size() + walk.problems.size(), tally.ready, tally.nothing, tally.failed);
    if (outError != 0) {
        std::fprintf(err, "ortholux-preview: cannot write standard output: %s\n",
                     std::strerror(outError));
    }
    if (tally.failed > 0 || outError != 0) return 1;
    return tally.nothing > 0 ? 3 : 0;
}
