// What a preview costs as the drawing grows: the same 300 KB thumbnail in a 400 KB drawing and
// in a 1 GiB (sparse) one, and the 1 GiB drawing against a plain read of all of it. Prints the
// ratios of the medians and the peak heap while extracting, measured side by side in one run;
// then the peak heap of the thumbnailer's decoding path on these and on a 2 GiB drawing whose
// thumbnail length is 0; then time and peak heap of a 256 thumbnail from the largest PNG a CAD
// program stores (2560 x 2560, in a copy of example_2013.dwg) beside the drawing's own 670 x 448.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <new>
#include <ctime>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "DrawingBuilder.h"
#include "FileSource.h"
#include "preview/Preview.h"
#ifdef ORTHOLUX_BENCH_DECODING
#include "Error.h"
#include "PngCodec.h"
#include "bitmap/Dib.h"
#include "image/ThumbnailPicture.h"
#endif

namespace {

// Heap accounting through the global allocation functions of this binary.
std::atomic<std::size_t> liveBytes{0};
std::atomic<std::size_t> peakBytes{0};

constexpr std::size_t kSmallDrawing = 400u << 10;
constexpr std::size_t kBigDrawing = std::size_t{1} << 30;
constexpr std::size_t kThumbnailSize = 300u << 10;

std::string MakeDrawing(const char* name, std::size_t size) {
    DrawingBuilder d;
    d.bitCount = 24;
    d.width = 400;
    d.height = static_cast<int32_t>(kThumbnailSize / 1200);
    d.pixels.assign(kThumbnailSize - 40, 0x5A);
    d.thumbnailOffset = 0x200;
    auto bytes = d.Build();
    bytes.resize(kSmallDrawing, 0x33);  // the drawing's geometry follows the thumbnail
    const auto path = std::filesystem::temp_directory_path() / name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (truncate(path.c_str(), static_cast<off_t>(size)) != 0) std::abort();
    return path.string();
}

const std::string& SmallPath() {
    static const std::string path = MakeDrawing("ortholux-bench-small.dwg", kSmallDrawing);
    return path;
}
const std::string& BigPath() {
    static const std::string path = MakeDrawing("ortholux-bench-big.dwg", kBigDrawing);
    return path;
}

// Every byte of the file through a 1 MiB buffer: the least a whole-file reader pays.
std::size_t PlainRead(const std::string& path) {
    static std::vector<char> buffer(1u << 20);
    std::FILE* f = std::fopen(path.c_str(), "rb");
    std::size_t total = 0, got = 0;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), f)) > 0) total += got;
    std::fclose(f);
    return total;
}

void ResetPeak() { peakBytes = liveBytes.load(); }

void BM_PlainReadBig(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(PlainRead(BigPath()));
}

void Preview(benchmark::State& state, const std::string& path) {
    std::size_t peakAbove = 0;
    for (auto _ : state) {
        const std::size_t before = liveBytes;
        ResetPeak();
        auto preview = ReadDrawingPreview(path);
        benchmark::DoNotOptimize(preview.image.data());
        peakAbove = std::max(peakAbove, peakBytes.load() - before);
    }
    state.counters["peak_MB"] = double(peakAbove) / (1 << 20);
    state.counters["limit_MB"] = double(2 * kThumbnailSize + (1 << 20)) / (1 << 20);
}
void BM_PreviewSmall(benchmark::State& state) { Preview(state, SmallPath()); }
void BM_PreviewBig(benchmark::State& state) { Preview(state, BigPath()); }

// Interleaved in one run so all see the same machine load; the caches are warm after the
// first repetition.
BENCHMARK(BM_PreviewSmall)->Unit(benchmark::kMicrosecond)->Repetitions(7);
BENCHMARK(BM_PreviewBig)->Unit(benchmark::kMicrosecond)->Repetitions(7);
BENCHMARK(BM_PlainReadBig)->Unit(benchmark::kMillisecond)->Repetitions(3);

#ifdef ORTHOLUX_BENCH_DECODING
// The peak heap of the thumbnailer's decoding path (thumbnail read for decoding, pixels,
// scaled to 256), once per drawing: a small one, the 1 GiB one, a 2 GiB sparse one whose
// thumbnail length is 0 (the whole drawing), and a 60-byte thumbnail announcing the largest
// pixels. Each against the bound 2 x thumbnail + 16 MiB.
struct DecodingPeak {
    std::size_t peak = 0;
    std::size_t thumbnail = 0;  // the rebuilt image's bytes; 0 when refused before reading
    std::string outcome;
};

DecodingPeak MeasureDecoding(const std::string& path) {
    DecodingPeak result;
    const std::size_t before = liveBytes;
    ResetPeak();
    try {
        DrawingPreview preview = ReadDrawingThumbnail(path);
        result.thumbnail = preview.image.size();
        const RgbaImage pixels = ThumbnailPicture(std::move(preview), 256, DecodePngFitted);
        result.outcome = std::to_string(pixels.width) + "x" + std::to_string(pixels.height);
    } catch (const AppError&) {
        result.outcome = "refused";
    }
    result.peak = peakBytes.load() - before;
    return result;
}

std::string MakeWholeDrawing(const char* name, std::size_t size) {
    DrawingBuilder d;
    d.overrideLength = true;  // L = 0
    const auto bytes = d.Build();
    const auto path = std::filesystem::temp_directory_path() / name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (truncate(path.c_str(), static_cast<off_t>(size)) != 0) std::abort();
    return path.string();
}

std::string MakeAnnouncingDrawing(const char* name) {
    DrawingBuilder d;  // 2048 x 2048 at 32 bits, no pixel bytes at all
    d.width = 2048;
    d.height = 2048;
    d.bitCount = 32;
    const auto bytes = d.Build();
    const auto path = std::filesystem::temp_directory_path() / name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path.string();
}

void PrintDecodingPeaks() {
    const std::string whole = MakeWholeDrawing("ortholux-bench-whole.dwg", std::size_t{2} << 30);
    const std::string announcing = MakeAnnouncingDrawing("ortholux-bench-announcing.dwg");
    const struct {
        const char* name;
        std::string path;
    } drawings[] = {{"400 KB drawing, 300 KB thumbnail", SmallPath()},
                    {"1 GiB drawing, 300 KB thumbnail", BigPath()},
                    {"2 GiB drawing, L = 0", whole},
                    {"60-byte thumbnail of 2048x2048x32", announcing}};
    std::printf("\nPeak heap of the decoding path (read for decoding, pixels, scaled to 256):\n");
    double small = 0;
    for (const auto& drawing : drawings) {
        const DecodingPeak p = MeasureDecoding(drawing.path);
        const double mb = double(p.peak) / (1 << 20);
        const double bound = double(2 * p.thumbnail + kMaxDibPixelBytes) / (1 << 20);
        if (small == 0) small = mb;
        std::printf("  %-34s %-9s peak %8.3f MB  bound %8.3f MB  / small drawing's %.3f\n",
                    drawing.name, p.outcome.c_str(), mb, bound, mb / small);
    }
    std::filesystem::remove(whole);
    std::filesystem::remove(announcing);
}

// A size x size PNG of one-pixel diagonals 64 apart on white, as the e2e harness makes it.
std::vector<uint8_t> DiagonalsPng(int size) {
    RgbaImage image{size, size, std::vector<uint8_t>(std::size_t(size) * size * 4, 255)};
    for (int y = 0; y < size; ++y) {
        for (int x = y % 64; x < size; x += 64) {
            uint8_t* p = image.pixels.data() + (std::size_t(y) * size + x) * 4;
            p[0] = p[1] = p[2] = 0;
        }
    }
    std::vector<uint8_t> png;
    std::string error;
    if (!EncodePngToMemory(image, png, error)) std::abort();
    return png;
}

// `drawing` with `thumb` appended and its directory's bitmap entry (start at D+31, length at
// D+35) pointed at it.
std::vector<uint8_t> WithThumbnail(std::vector<uint8_t> drawing,
                                   const std::vector<uint8_t>& thumb) {
    auto put = [&](std::size_t at, std::size_t value) {
        for (int i = 0; i < 4; ++i) drawing[at + i] = static_cast<uint8_t>(value >> (8 * i));
    };
    const std::size_t directory =
        drawing[13] | drawing[14] << 8 | drawing[15] << 16 | std::size_t{drawing[16]} << 24;
    put(directory + 31, drawing.size());
    put(directory + 35, thumb.size());
    drawing.insert(drawing.end(), thumb.begin(), thumb.end());
    return drawing;
}

double Now() {  // <chrono> does not build with the project's execution character set
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

struct Run {
    std::vector<double> seconds;
    std::size_t peak = 0;
    std::string outcome;
    double Median() {
        std::sort(seconds.begin(), seconds.end());
        return seconds[seconds.size() / 2];
    }
};

void Measure(const std::vector<uint8_t>& drawing, Run& run) {
    const std::size_t before = liveBytes;
    ResetPeak();
    const double start = Now();
    MemorySource source(drawing);
    const RgbaImage pixels = ThumbnailPicture(ReadDrawingThumbnail(source), 256, DecodePngFitted);
    run.seconds.push_back(Now() - start);
    run.peak = std::max(run.peak, peakBytes.load() - before);
    run.outcome = std::to_string(pixels.width) + "x" + std::to_string(pixels.height);
}

void PrintStoredSizes() {
    const std::filesystem::path dir = ORTHOLUX_BENCH_FIXTURES_DIR;
    std::ifstream in(dir / "example_2013.dwg", std::ios::binary);
    const std::vector<uint8_t> stored{std::istreambuf_iterator<char>(in),
                                      std::istreambuf_iterator<char>()};
    if (stored.empty()) return;
    const std::vector<uint8_t> large = WithThumbnail(stored, DiagonalsPng(2560));
    Run own, big;
    for (int round = 0; round < 21; ++round) {  // alternated, so both see the same machine
        Measure(stored, own);
        Measure(large, big);
    }
    const double ownMs = own.Median() * 1e3, bigMs = big.Median() * 1e3;
    const double ownKiB = double(own.peak) / 1024, bigKiB = double(big.peak) / 1024;
    std::printf("\n256 thumbnail of a stored PNG (median of 21, peak heap):\n");
    std::printf("  %-28s %-8s %9.3f ms  peak %9.1f KiB\n", "example_2013.dwg, 670 x 448",
                own.outcome.c_str(), ownMs, ownKiB);
    std::printf("  %-28s %-8s %9.3f ms  peak %9.1f KiB\n", "the same, 2560 x 2560",
                big.outcome.c_str(), bigMs, bigKiB);
    std::printf("  2560 / 670: time x %.2f, peak heap x %.2f (the pixels alone: x %.1f)\n",
                bigMs / ownMs, bigKiB / ownKiB, (2560.0 * 2560) / (670.0 * 448));
}
#endif

class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                median_[run.run_name.function_name] =
                    run.GetAdjustedRealTime() *
                    (run.time_unit == benchmark::kMillisecond ? 1000.0 : 1.0);
                const auto peak = run.counters.find("peak_MB");
                if (peak != run.counters.end()) {
                    peakMB_ = std::max(peakMB_, double(peak->second));
                    limitMB_ = run.counters.at("limit_MB");
                }
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void PrintRatios() const {
        // Absent when a filter left them out (bench/shell_bench.py runs the drawings only).
        for (const char* name : {"BM_PreviewSmall", "BM_PreviewBig", "BM_PlainReadBig"}) {
            if (!median_.count(name)) return;
        }
        const double small = median_.at("BM_PreviewSmall"), big = median_.at("BM_PreviewBig");
        const double plain = median_.at("BM_PlainReadBig");
        std::printf("\nPreview of 1 GiB drawing / of 400 KB drawing (medians): %.3f (limit 1.1)\n",
                    big / small);
        std::printf("Preview of 1 GiB drawing / plain read of it (medians): %.5f (limit 0.01)\n",
                    big / plain);
        std::printf("Peak heap while extracting: %.3f MB (limit: 2 x thumbnail + 1 MB = %.3f MB)\n",
                    peakMB_, limitMB_);
    }

  private:
    std::map<std::string, double> median_;  // microseconds
    double peakMB_ = 0, limitMB_ = 0;
};

}  // namespace

// Each block carries its size in front, so every form of delete can account for it. GCC takes
// the free() inside a replaced operator delete for a mismatch; here it is the matching call.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
constexpr std::size_t kHeader = alignof(std::max_align_t);

void* operator new(std::size_t size) {
    auto* block = static_cast<unsigned char*>(std::malloc(size + kHeader));
    if (!block) throw std::bad_alloc();
    *reinterpret_cast<std::size_t*>(block) = size;
    const std::size_t now = liveBytes += size;
    std::size_t peak = peakBytes;
    while (now > peak && !peakBytes.compare_exchange_weak(peak, now)) {
    }
    return block + kHeader;
}
void operator delete(void* p) noexcept {
    if (!p) return;
    auto* block = static_cast<unsigned char*>(p) - kHeader;
    liveBytes -= *reinterpret_cast<std::size_t*>(block);
    std::free(block);
}
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
#ifdef ORTHOLUX_BENCH_DECODING
    PrintDecodingPeaks();
    PrintStoredSizes();
#endif
    std::filesystem::remove(SmallPath());
    std::filesystem::remove(BigPath());
    benchmark::Shutdown();
    return 0;
}
