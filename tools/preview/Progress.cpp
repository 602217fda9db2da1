#include "Progress.h"

#include <chrono>
#include <cstdio>

#ifdef _WIN32
#include <io.h>
#define ORTHOLUX_ISATTY _isatty
#define ORTHOLUX_FILENO _fileno
#else
#include <unistd.h>
#define ORTHOLUX_ISATTY isatty
#define ORTHOLUX_FILENO fileno
#endif

namespace {

// A run shorter than this never shows anything; afterwards the line changes at most this often.
constexpr int64_t kQuietStartMs = 700;
constexpr int64_t kIntervalMs = 100;

int64_t NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

bool IsTerminal(std::FILE* stream) { return ORTHOLUX_ISATTY(ORTHOLUX_FILENO(stream)) != 0; }

}  // namespace

Progress::Progress(std::size_t total, bool linesOnStdout)
    : total_(total),
      enabled_(IsTerminal(stderr) && !(linesOnStdout && IsTerminal(stdout))),
      startMs_(NowMs()),
      lastMs_(startMs_) {}

Progress::~Progress() { Finish(); }

void Progress::Finish() {
    if (shown_) std::fprintf(stderr, "\r%40s\r", "");
    shown_ = false;
    enabled_ = false;
}

void Progress::Update(std::size_t done) {
    if (!enabled_) return;
    const int64_t now = NowMs();
    if (now - startMs_ < kQuietStartMs || (shown_ && now - lastMs_ < kIntervalMs)) return;
    lastMs_ = now;
    shown_ = true;
    std::fprintf(stderr, "\r%zu/%zu drawings", done, total_);
    std::fflush(stderr);
}
