// Loading drawings from disk: the file-open error, files held open for writing, outcomes.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "DrawingBuilder.h"
#include "PreviewTestUtil.h"
#include "preview/Preview.h"

namespace {

class DrawingFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("ortholux-file-test-" + std::to_string(getpid()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
        const auto path = dir_ / name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return path.string();
    }
    std::filesystem::path dir_;
};

TEST_F(DrawingFiles, MissingFileNamesThePathAsGiven) {
    const std::string path = (dir_ / "none" / ".." / "図面.dwg").string();
    ExpectAppError([&] { ReadDrawingPreview(path); }, "ファイル " + path + " は開けません");
}

TEST_F(DrawingFiles, DirectoryCannotBeOpened) {
    const std::string path = dir_.string();
    ExpectAppError([&] { ReadDrawingPreview(path); }, "ファイル " + path + " は開けません");
}

TEST_F(DrawingFiles, FileHeldOpenForWritingIsRefused) {
    DrawingBuilder d;
    const std::string path = Write("busy.dwg", d.Build());
    const int writer = open(path.c_str(), O_WRONLY);
    ASSERT_GE(writer, 0);
    ExpectAppError([&] { ReadDrawingPreview(path); }, "ファイル " + path + " は開けません");
    close(writer);
    EXPECT_EQ(ReadDrawingPreview(path).outcome, PreviewOutcome::Ready);
}

TEST_F(DrawingFiles, OutcomesComeBackWithTheReleaseCode) {
    DrawingBuilder old;
    old.releaseCode = "1009";
    const auto below = ReadDrawingPreview(Write("old.dwg", old.Build()));
    EXPECT_EQ(below.outcome, PreviewOutcome::BelowRange);
    EXPECT_EQ(below.info.releaseCode, "1009");
    EXPECT_TRUE(below.image.empty());

    DrawingBuilder three;
    three.entryCount = 3;
    const auto none = ReadDrawingPreview(Write("three.dwg", three.Build()));
    EXPECT_EQ(none.outcome, PreviewOutcome::NoBitmap);
    EXPECT_TRUE(none.image.empty());

    DrawingBuilder good;
    good.releaseCode = "1014";
    good.bitCount = 24;
    good.pixels.assign(12, 0x7F);
    const auto ready = ReadDrawingPreview(Write("good.dwg", good.Build()));
    ASSERT_EQ(ready.outcome, PreviewOutcome::Ready);
    EXPECT_EQ(ready.image.size(), good.Thumbnail().size() + 14);
}

TEST_F(DrawingFiles, TruncatedDrawingFailsWithTheStreamReadError) {
    DrawingBuilder d;
    auto bytes = d.Build();
    bytes.resize(bytes.size() - 1);
    const std::string path = Write("cut.dwg", bytes);
    ExpectAppError([&] { ReadDrawingPreview(path); }, msg::kStreamRead);
}

}  // namespace
