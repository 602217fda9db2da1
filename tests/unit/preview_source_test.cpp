// Drawings read where their fields lie: what the extraction reads, files that are not what
// they seem (pipes, devices, folders, links, unreadable, shrinking, tiny), odd names.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "DrawingBuilder.h"
#include "FileSource.h"
#include "Fixtures.h"
#include "PreviewTestUtil.h"
#include "preview/Preview.h"

namespace {

namespace fs = std::filesystem;
constexpr uint64_t kReadAllowance = 64 * 1024;  // header fields and directory, generously

class DrawingSources : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("ortholux-source-test-" + std::to_string(getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
        const auto path = dir_ / name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return path.string();
    }
    void ExpectOpenError(const std::string& path) {
        ExpectAppError([&] { ReadDrawingPreview(path); }, "ファイル " + path + " は開けません");
    }
    fs::path dir_;
};

TEST_F(DrawingSources, ReadOnlyTheThumbnailOfEveryRealDrawing) {
    const auto rows = LoadFixtureExpectations();
    if (rows.empty()) GTEST_SKIP() << "no fixtures at " << FixturesDir();
    for (const auto& e : rows) {
        if (e.outcome == "Error") continue;
        SCOPED_TRACE(e.file);
        const auto source = OpenDrawingFile((FixturesDir() / e.file).string());
        const DrawingPreview p = ReadDrawingPreview(*source);
        EXPECT_LE(source->BytesRead(), p.info.bitmapLength + kReadAllowance);
        EXPECT_LT(source->BytesRead(), source->Size());
    }
}

TEST_F(DrawingSources, GigabyteDrawingCostsItsThumbnailOnly) {
    DrawingBuilder d;
    d.bitCount = 24;
    d.width = 400;
    d.height = 250;
    d.pixels.assign(400 * 250 * 3, 0x5A);  // a 300 KB thumbnail
    const std::string path = Write("big.dwg", d.Build());
    ASSERT_EQ(truncate(path.c_str(), off_t{1} << 30), 0);  // sparse: no disk used

    const auto source = OpenDrawingFile(path);
    EXPECT_EQ(source->Size(), uint64_t{1} << 30);
    const DrawingPreview p = ReadDrawingPreview(*source);
    ASSERT_EQ(p.outcome, PreviewOutcome::Ready);
    EXPECT_EQ(p.image.size(), d.Thumbnail().size() + 14);
    EXPECT_LE(source->BytesRead(), d.Thumbnail().size() + kReadAllowance);
}

// L = 0 keeps its meaning, the whole drawing from its first byte: only then is all of it read.
TEST_F(DrawingSources, ZeroLengthReadsTheWholeDrawing) {
    DrawingBuilder d;
    d.overrideLength = true;
    const auto bytes = d.Build();
    const auto source = OpenDrawingFile(Write("zero.dwg", bytes));
    const DrawingPreview p = ReadDrawingPreview(*source);
    EXPECT_EQ(p.image.size(), bytes.size() + 14);
    EXPECT_GE(source->BytesRead(), bytes.size());
}

// For a decoder, L = 0 fails straight after the header: an image that starts with the
// drawing's own first bytes cannot decode, unless the drawing is itself a PNG file.
TEST_F(DrawingSources, ZeroLengthFailsForADecoderBeforeTheDrawingIsRead) {
    DrawingBuilder d;
    d.overrideLength = true;
    const std::string path = Write("whole.dwg", d.Build());
    ASSERT_EQ(truncate(path.c_str(), off_t{1} << 30), 0);
    const auto source = OpenDrawingFile(path);
    ExpectAppError([&] { ReadDrawingThumbnail(*source); }, msg::kInvalidBitmap);
    EXPECT_LE(source->BytesRead(), 64u);

    // Release "NG\r\n", the directory where the IHDR chunk's bytes point, S = 0 and L = 0.
    std::vector<uint8_t> png = MakePngHeader(3, 2);
    const uint32_t directory = Le32(png, 13);
    png.resize(std::size_t{directory} + 39, 0);
    png[directory + 20] = 2;
    MemorySource itself(png);
    EXPECT_EQ(ReadDrawingThumbnail(itself).image, png);
}

TEST_F(DrawingSources, FilesThatAreNoDrawingFilesAreRefusedAtOnce) {
    const std::string fifo = (dir_ / "pipe.dwg").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ExpectOpenError(fifo);  // without a writer, a blocking open would wait forever

    const auto device = dir_ / "zero.dwg";
    fs::create_symlink("/dev/zero", device);
    ExpectOpenError(device.string());

    const auto folder = dir_ / "folder.dwg";
    fs::create_directory(folder);
    ExpectOpenError(folder.string());

    const auto dangling = dir_ / "dangling.dwg";
    fs::create_symlink(dir_ / "gone.dwg", dangling);
    ExpectOpenError(dangling.string());
}

TEST_F(DrawingSources, UnreadableFileIsRefused) {
    DrawingBuilder d;
    const std::string path = Write("secret.dwg", d.Build());
    ASSERT_EQ(chmod(path.c_str(), 0), 0);
    if (geteuid() != 0) {
        ExpectOpenError(path);
        return;
    }
    // Root reads anything: the check runs as an ordinary user in a child process.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0) _exit(2);
        try {
            ReadDrawingPreview(path);
        } catch (const AppError& e) {
            _exit(ErrorText(e) == "ファイル " + path + " は開けません" ? 0 : 3);
        }
        _exit(4);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "2: no user to switch to, 3: wrong error, 4: read it";
}

TEST_F(DrawingSources, FileThatShrinksAfterOpeningFailsWithTheStreamReadError) {
    DrawingBuilder d;
    d.pixels.assign(4000, 1);
    const std::string path = Write("shrinks.dwg", d.Build());
    const auto source = OpenDrawingFile(path);
    ASSERT_EQ(truncate(path.c_str(), 0x120), 0);  // the thumbnail now ends early
    ExpectAppError([&] { ReadDrawingPreview(*source); }, msg::kStreamRead);

    // Removed after opening: POSIX keeps an open file's bytes, and they are read as they were.
    const std::string gone = Write("gone.dwg", d.Build());
    const auto kept = OpenDrawingFile(gone);
    fs::remove(gone);
    EXPECT_EQ(ReadDrawingPreview(*kept).outcome, PreviewOutcome::Ready);
}

TEST_F(DrawingSources, TinyFilesFailWithTheStreamReadError) {
    DrawingBuilder d;
    const auto bytes = d.Build();
    for (std::size_t n = 0; n <= 17; ++n) {
        SCOPED_TRACE(n);
        const std::string path = Write("tiny.dwg", {bytes.begin(), bytes.begin() + n});
        ExpectAppError([&] { ReadDrawingPreview(path); }, msg::kStreamRead);
    }
}

// 表 is 0x95 0x5C in Shift-JIS: the trail byte is a backslash, which a path must keep.
TEST_F(DrawingSources, NameWithBackslashTrailByteOpens) {
    DrawingBuilder d;
    const std::string path = Write("\x95\x5C\x83\x5C.dwg", d.Build());
    EXPECT_EQ(ReadDrawingPreview(path).outcome, PreviewOutcome::Ready);
}

}  // namespace
