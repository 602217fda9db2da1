// ReadDrawingPreview against a plain read of the same file: the extraction should cost little
// more than getting the drawing into memory. Prints the ratio and the peak heap use, measured
// side by side in one run.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <new>

#include "DrawingBuilder.h"
#include "preview/Preview.h"

namespace {

// Heap accounting through the global allocation functions of this binary.
std::atomic<std::size_t> liveBytes{0};
std::atomic<std::size_t> peakBytes{0};

constexpr std::size_t kDrawingSize = 64u << 20;
constexpr std::size_t kThumbnailSize = 300u << 10;

std::string MakeDrawing() {
    DrawingBuilder d;
    d.bitCount = 24;
    d.width = 400;
    d.height = static_cast<int32_t>(kThumbnailSize / 1200);
    d.pixels.assign(kThumbnailSize - 40, 0x5A);
    d.thumbnailOffset = 0x200;
    auto bytes = d.Build();
    bytes.resize(kDrawingSize, 0x33);  // the drawing's geometry follows the thumbnail
    const auto path = std::filesystem::temp_directory_path() / "ortholux-bench.dwg";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path.string();
}

const std::string& DrawingPath() {
    static const std::string path = MakeDrawing();
    return path;
}

std::vector<uint8_t> PlainRead(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    std::vector<uint8_t> bytes(std::filesystem::file_size(path));
    const std::size_t got = std::fread(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    bytes.resize(got);
    return bytes;
}

void ResetPeak() { peakBytes = liveBytes.load(); }

void BM_PlainRead(benchmark::State& state) {
    const std::string& path = DrawingPath();
    for (auto _ : state) benchmark::DoNotOptimize(PlainRead(path).data());
}

void BM_ReadDrawingPreview(benchmark::State& state) {
    const std::string& path = DrawingPath();
    std::size_t peakAbove = 0;
    for (auto _ : state) {
        const std::size_t before = liveBytes;
        ResetPeak();
        auto preview = ReadDrawingPreview(path);
        benchmark::DoNotOptimize(preview.image.data());
        peakAbove = std::max(peakAbove, peakBytes.load() - before);
    }
    state.counters["peak_MB"] = double(peakAbove) / (1 << 20);
    state.counters["limit_MB"] = double(kDrawingSize + 2 * kThumbnailSize + (1 << 20)) / (1 << 20);
}

// Interleaved in one run so both see the same machine load.
BENCHMARK(BM_PlainRead)->Unit(benchmark::kMillisecond)->Repetitions(5);
BENCHMARK(BM_ReadDrawingPreview)->Unit(benchmark::kMillisecond)->Repetitions(5);

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                median_[run.run_name.function_name] = run.GetAdjustedRealTime();
                const auto peak = run.counters.find("peak_MB");
                if (peak != run.counters.end()) {
                    peakMB_ = peak->second;
                    limitMB_ = run.counters.at("limit_MB");
                }
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void PrintRatio() const {
        const auto plain = median_.find("BM_PlainRead");
        const auto preview = median_.find("BM_ReadDrawingPreview");
        if (plain == median_.end() || preview == median_.end()) return;
        std::printf("\nReadDrawingPreview / plain read (medians): %.3f (limit 1.25)\n",
                    preview->second / plain->second);
        std::printf("Peak heap while extracting: %.3f MB (limit: file + 2 x thumbnail + 1 MB = "
                    "%.3f MB)\n", peakMB_, limitMB_);
    }

private:
    std::map<std::string, double> median_;
    double peakMB_ = 0, limitMB_ = 0;
};

}  // namespace

// Each block carries its size in front, so every form of delete can account for it.
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
    reporter.PrintRatio();
    std::filesystem::remove(DrawingPath());
    benchmark::Shutdown();
    return 0;
}
