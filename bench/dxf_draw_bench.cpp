// DXF bytes to a 256 picture in process, beside the reader alone and a plain read of the same
// file through the same source (the in-process cat): each as bytes per second, so the three
// columns of one drawing read as ratios. Registered for the DXF fixtures and for the files
// named in ORTHOLUX_BENCH_DXF (colon-separated: bench/large_dxf.py's drawings).
#ifdef ORTHOLUX_BENCH_DXF_DIR
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "FileSource.h"
#include "draw/DxfPicture.h"
#include "dxf/DxfReader.h"

namespace {

namespace fs = std::filesystem;

// Also counts the bytes read over the file's size: re-reads of blocks cost reading too.
template <typename Work>
void OverFile(benchmark::State& state, const std::string& path, Work work) {
    uint64_t size = 0, read = 0;
    for (auto _ : state) {
        const std::unique_ptr<ByteSource> source = OpenDrawingFile(path);
        size = source->Size();
        work(*source);
        read = source->BytesRead();
    }
    state.SetBytesProcessed(static_cast<int64_t>(size * state.iterations()));
    state.counters["read/size"] = size ? static_cast<double>(read) / static_cast<double>(size) : 0;
}

void Picture(benchmark::State& state, const std::string& path) {
    OverFile(state, path, [](ByteSource& source) {
        DrawRequest request;
        request.preferStored = false;
        const DxfPicture picture = DxfPictureOf(source, request);
        benchmark::DoNotOptimize(picture.drawn.has_value());
    });
}

void Reader(benchmark::State& state, const std::string& path) {
    OverFile(state, path, [](ByteSource& source) {
        std::size_t entities = 0;
        const DxfDrawing drawing = ReadDxf(source, [&](const DxfEntity&) { ++entities; });
        benchmark::DoNotOptimize(entities + drawing.blocks.size());
    });
}

void PlainRead(benchmark::State& state, const std::string& path) {
    OverFile(state, path, [](ByteSource& source) {
        std::vector<uint8_t> window(std::size_t{64} << 10);
        for (uint64_t at = 0; at < source.Size(); at += window.size()) {
            const auto n =
                static_cast<std::size_t>(std::min<uint64_t>(window.size(), source.Size() - at));
            source.Read(at, std::span(window.data(), n));
        }
        benchmark::DoNotOptimize(window.data());
    });
}

const bool registered = [] {
    std::vector<std::string> paths;
    std::error_code error;
    for (const fs::path& dir :
         {fs::path(ORTHOLUX_BENCH_DXF_DIR), fs::path(ORTHOLUX_BENCH_DXF_DIR) / "entities-2007"}) {
        for (const auto& entry : fs::directory_iterator(dir, error)) {
            if (entry.path().extension() == ".dxf") paths.push_back(entry.path().string());
        }
    }
    std::sort(paths.begin(), paths.end());
    if (const char* more = std::getenv("ORTHOLUX_BENCH_DXF")) {
        std::istringstream list(more);
        for (std::string path; std::getline(list, path, ':');) {
            if (!path.empty()) paths.push_back(path);
        }
    }
    for (const std::string& path : paths) {
        const std::string name = fs::path(path).filename().string();
        benchmark::RegisterBenchmark(("BM_DxfPicture256/" + name).c_str(), Picture, path)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("BM_DxfReader/" + name).c_str(), Reader, path)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("BM_DxfPlainRead/" + name).c_str(), PlainRead, path)
            ->Unit(benchmark::kMillisecond);
    }
    return true;
}();

}  // namespace
#endif
