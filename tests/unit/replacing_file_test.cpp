// Files written through a temporary file and a rename, as both tools write their images.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "ReplacingFile.h"

namespace {

namespace fs = std::filesystem;

// The process's umask as the kernel shows it, without setting it; -1 where it is not shown.
long UmaskShown() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("Umask:", 0) == 0) return std::stol(line.substr(6), nullptr, 8);
    }
    return -1;
}

// The contact sheet writes its pictures from several threads at once: each file gets the mode
// any new file gets under the umask, and the umask stays as it was all along.
TEST(ReplacingFile, EveryFileFromManyThreadsGetsTheUmasksMode) {
    constexpr int kThreads = 4;
    constexpr int kFilesEach = 500;
    const fs::path folder = fs::temp_directory_path() / ("replacing-" + std::to_string(getpid()));
    for (const mode_t mask : {mode_t{022}, mode_t{027}}) {
        fs::remove_all(folder);
        fs::create_directories(folder);
        const mode_t before = umask(mask);
        std::atomic<int> writing{kThreads};
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&folder, &writing, t] {
                for (int n = 0; n < kFilesEach; ++n) {
                    const auto path = folder / (std::to_string(t) + "-" + std::to_string(n));
                    std::string error;
                    const bool written = WriteFileReplacing(
                        path.string(),
                        [](std::FILE* file, std::string&) { return std::fputc('x', file) != EOF; },
                        error);
                    EXPECT_TRUE(written) << error;
                }
                --writing;
            });
        }
        // Meanwhile any other thread may create a file: the umask must never change.
        long otherUmask = -1;
        while (writing > 0) {
            const long shown = UmaskShown();
            if (shown >= 0 && shown != static_cast<long>(mask)) otherUmask = shown;
        }
        for (std::thread& thread : threads) thread.join();
        EXPECT_EQ(umask(before), mask);
        EXPECT_EQ(otherUmask, -1) << "umask " << std::oct << mask;
        int wrong = 0, files = 0;
        for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
            struct stat info {};
            ASSERT_EQ(stat(entry.path().c_str(), &info), 0);
            ++files;
            if ((info.st_mode & 07777) != (0666 & ~mask)) ++wrong;
        }
        EXPECT_EQ(files, kThreads * kFilesEach);  // no temporary file left beside them
        EXPECT_EQ(wrong, 0) << "umask " << std::oct << mask;
    }
    fs::remove_all(folder);
}

}  // namespace
