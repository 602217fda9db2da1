// The thumbnailer's pipeline on each real drawing, from memory: read the thumbnail, decode it,
// fit it into 256. The native figures that bench/shell_bench.py sets beside GetThumbnail(256)
// of the shell's thumbnail handler under Wine. Registered only where the drawings are.
// BM_PngStoredSizes256 sets the largest PNG a CAD program stores (2560 x 2560, in a copy of
// example_2013.dwg) beside that drawing's own 670 x 448: time and peak heap of each, and the
// ratios, measured in the same loop.
#ifdef ORTHOLUX_BENCH_DECODING
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <ctime>
#include <new>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "PngCodec.h"
#include "image/ThumbnailPicture.h"
#include "preview/Preview.h"

namespace {

// Live and peak heap bytes through operator new (libpng's buffers too: the row reader
// allocates through it).
std::atomic<int64_t> liveBytes{0};
std::atomic<int64_t> peakBytes{0};

void* Counted(std::size_t size) {
    auto* block = static_cast<std::size_t*>(std::malloc(size + 16));
    if (!block) return nullptr;
    *block = size;
    const int64_t now = liveBytes += static_cast<int64_t>(size);
    for (int64_t high = peakBytes; now > high && !peakBytes.compare_exchange_weak(high, now);) {
    }
    return reinterpret_cast<char*>(block) + 16;
}

void Uncounted(void* memory) {
    if (!memory) return;
    auto* block = reinterpret_cast<std::size_t*>(static_cast<char*>(memory) - 16);
    liveBytes -= static_cast<int64_t>(*block);
    std::free(block);
}

}  // namespace

void* operator new(std::size_t size) {
    if (void* memory = Counted(size)) return memory;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Counted(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Counted(size); }
void operator delete(void* memory) noexcept { Uncounted(memory); }
void operator delete[](void* memory) noexcept { Uncounted(memory); }
void operator delete(void* memory, std::size_t) noexcept { Uncounted(memory); }
void operator delete[](void* memory, std::size_t) noexcept { Uncounted(memory); }

namespace {

void RunPipeline(benchmark::State& state, const std::vector<uint8_t>& bytes) {
    uint64_t read = 0;
    for (auto _ : state) {
        MemorySource source(bytes);
        try {
            DrawingPreview preview = ReadDrawingThumbnail(source);
            if (preview.outcome == PreviewOutcome::Ready) {
                const RgbaImage pixels = ThumbnailPicture(std::move(preview), 256, DecodePngFitted);
                benchmark::DoNotOptimize(pixels.pixels.data());
            }
        } catch (const std::exception&) {
            // a damaged drawing costs what was read until it failed
        }
        read = source.BytesRead();
    }
    state.counters["read"] = static_cast<double>(read);
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
    EncodePngToMemory(image, png, error);
    return png;
}

// `drawing` with `thumb` appended and its directory's bitmap entry pointed at it.
std::vector<uint8_t> WithThumbnail(std::vector<uint8_t> drawing,
                                   const std::vector<uint8_t>& thumb) {
    auto put = [&](std::size_t at, uint32_t value) {
        for (int i = 0; i < 4; ++i) drawing[at + i] = static_cast<uint8_t>(value >> (8 * i));
    };
    const std::size_t directory =
        drawing[13] | drawing[14] << 8 | drawing[15] << 16 | std::size_t{drawing[16]} << 24;
    put(directory + 31, static_cast<uint32_t>(drawing.size()));
    put(directory + 35, static_cast<uint32_t>(thumb.size()));
    drawing.insert(drawing.end(), thumb.begin(), thumb.end());
    return drawing;
}

// Monotonic seconds (<chrono> does not build with the project's execution character set).
double Now() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

struct Measured {
    double seconds = 0;
    int64_t peak = 0;
};

void Measure(const std::vector<uint8_t>& bytes, Measured& into) {
    const int64_t before = liveBytes;
    peakBytes = before;
    const double start = Now();
    MemorySource source(bytes);
    DrawingPreview preview = ReadDrawingThumbnail(source);
    const RgbaImage pixels = ThumbnailPicture(std::move(preview), 256, DecodePngFitted);
    benchmark::DoNotOptimize(pixels.pixels.data());
    into.seconds += Now() - start;
    into.peak = std::max<int64_t>(into.peak, peakBytes - before);
}

void RegisterStoredSizes(const std::filesystem::path& dir) {
    std::ifstream in(dir / "example_2013.dwg", std::ios::binary);
    std::vector<uint8_t> stored{std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>()};
    if (stored.empty()) return;
    std::vector<uint8_t> large = WithThumbnail(stored, DiagonalsPng(2560));
    benchmark::RegisterBenchmark("BM_PngStoredSizes256", [stored = std::move(stored),
                                                          large = std::move(large)](
                                                             benchmark::State& state) {
        Measured small, big;
        for (auto _ : state) {
            Measure(stored, small);
            Measure(large, big);
        }
        const double n = static_cast<double>(state.iterations());
        state.counters["670x448_us"] = small.seconds / n * 1e6;
        state.counters["2560_us"] = big.seconds / n * 1e6;
        state.counters["time_ratio"] = big.seconds / small.seconds;
        state.counters["670x448_peak_KiB"] = static_cast<double>(small.peak) / 1024;
        state.counters["2560_peak_KiB"] = static_cast<double>(big.peak) / 1024;
        state.counters["peak_ratio"] = static_cast<double>(big.peak) / small.peak;
    })->Unit(benchmark::kMillisecond);
}

const bool registered = [] {
    const char* folder = std::getenv("ORTHOLUX_FIXTURES");
    const std::filesystem::path dir = folder ? folder : ORTHOLUX_BENCH_FIXTURES_DIR;
    RegisterStoredSizes(dir);
    std::error_code error;
    std::vector<std::filesystem::path> drawings;
    for (const auto& entry : std::filesystem::directory_iterator(dir, error)) {
        if (entry.path().extension() == ".dwg") drawings.push_back(entry.path());
    }
    std::sort(drawings.begin(), drawings.end());
    for (const auto& path : drawings) {
        std::ifstream in(path, std::ios::binary);
        std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                   std::istreambuf_iterator<char>()};
        benchmark::RegisterBenchmark(
            ("BM_FixturePipeline256/" + path.filename().string()).c_str(),
            [bytes = std::move(bytes)](benchmark::State& state) { RunPipeline(state, bytes); })
            ->Unit(benchmark::kMicrosecond);
    }
    return true;
}();

}  // namespace
#endif
