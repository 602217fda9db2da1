// Loading drawings from disk: the file-open error, files held open for writing, outcomes.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <future>
#include <thread>

#include "DrawingBuilder.h"
#include "FileSource.h"
#include "PreviewTestUtil.h"
#include "preview/Preview.h"

namespace {

bool g_writerRefused = false;

// Another process opens the probed file for writing while the probe holds its lease; the
// kernel signals the lease holder then, before the writer's open returns.
void OpenForWritingElsewhere(int fd) {
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    const pid_t child = fork();
    if (child == 0) {
        const int writer = open(path.c_str(), O_WRONLY | O_NONBLOCK);
        _exit(writer < 0 && errno == EWOULDBLOCK ? 0 : 1);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    g_writerRefused = WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

int g_callerHandlerCalls = 0;
void CountCall(int) { ++g_callerHandlerCalls; }

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

// SIGIO's default action ends the process: the probe runs in a child, so that such an end
// fails this test rather than ending the test program.
TEST_F(DrawingFiles, WriterDuringTheProbeIsSeenAndItsSignalReachesNoOne) {
    DrawingBuilder d;
    const std::string path = Write("late.dwg", d.Build());
    const auto probe = [&] {
        const int fd = open(path.c_str(), O_RDONLY);
        sigset_t before, after;
        pthread_sigmask(SIG_SETMASK, nullptr, &before);
        const bool busy = HeldOpenForWriting(fd, OpenForWritingElsewhere);
        pthread_sigmask(SIG_SETMASK, nullptr, &after);
        close(fd);
        if (!g_writerRefused) std::fputs("the writer got in during the lease\n", stderr);
        if (!busy) std::fputs("the writer went unseen\n", stderr);
        const bool maskKept = sigismember(&before, SIGIO) == sigismember(&after, SIGIO);
        if (!maskKept) std::fputs("the signal mask changed\n", stderr);
        return g_writerRefused && busy && maskKept;
    };
    EXPECT_EXIT(
        {
            // A second thread, not blocking SIGIO, would take a signal sent to the process.
            std::promise<void> finish;
            std::thread other([done = finish.get_future()] { done.wait(); });
            bool ok = probe();
            std::signal(SIGIO, CountCall);  // a caller's own handler
            ok = probe() && ok;
            finish.set_value();
            other.join();
            if (g_callerHandlerCalls != 0) std::fputs("the caller's handler ran\n", stderr);
            std::exit(ok && g_callerHandlerCalls == 0 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
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
