// The thumbnailer's pipeline on each real drawing, from memory: read the thumbnail, decode it,
// fit it into 256. The native figures that bench/shell_bench.py sets beside GetThumbnail(256)
// of the shell's thumbnail handler under Wine. Registered only where the drawings are.
#ifdef ORTHOLUX_BENCH_DECODING
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
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

const bool registered = [] {
    const char* folder = std::getenv("ORTHOLUX_FIXTURES");
    const std::filesystem::path dir = folder ? folder : ORTHOLUX_BENCH_FIXTURES_DIR;
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
