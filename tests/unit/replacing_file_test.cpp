// Files written through a temporary file and a rename, as both tools write their images.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "ReplacingFile.h"

namespace {

namespace fs = std::filesystem;

// The umask as the kernel shows it, read without setting it; -1 where it is not shown.
long UmaskShown() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("Umask:", 0) == 0) return std::stol(line.substr(6), nullptr, 8);
    }
    return -1;
}

// The contact sheet writes from several threads: each file gets the umask's mode, and the
// umask, which other threads' new files get too, never changes meanwhile.
TEST(ReplacingFile, EveryFileFromManyThreadsGetsTheUmasksMode) {
    const fs::path folder = fs::temp_directory_path() / ("replacing-" + std::to_string(getpid()));
    for (const mode_t mask : {mode_t{022}, mode_t{027}}) {
        fs::remove_all(folder);
        fs::create_directories(folder);
        const mode_t before = umask(mask);
        std::atomic<int> writing{4};
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back([&, t] {
                const auto write = [](std::FILE* file, std::string&) {
                    return fputc('x', file) != EOF;
                };
                for (int n = 0; n < 500; ++n) {
                    std::string error;
                    const auto path = folder / (std::to_string(t) + "-" + std::to_string(n));
                    EXPECT_TRUE(WriteFileReplacing(path.string(), write, error)) << error;
                }
                --writing;
            });
        }
        long changed = -1;
        while (writing > 0) {
            if (const long shown = UmaskShown(); shown >= 0 && shown != long{mask}) changed = shown;
        }
        for (std::thread& thread : threads) thread.join();
        EXPECT_EQ(umask(before), mask);
        EXPECT_EQ(changed, -1) << std::oct << mask;
        int files = 0, wrong = 0;
        for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
            struct stat info {};
            ASSERT_EQ(stat(entry.path().c_str(), &info), 0);
            wrong += (info.st_mode & 07777) != (0666 & ~mask);
            ++files;
        }
        EXPECT_EQ(files, 2000);  // no temporary file left beside them
        EXPECT_EQ(wrong, 0) << std::oct << mask;
    }
    fs::remove_all(folder);
}

}  // namespace
