// olxshell: stands in for the shell, which under Wine draws no thumbnails. Finds the
// handlers of a drawing's extension as the shell does (extension -> ShellEx key -> CLSID),
// creates them in process and drives them with streams on real drawings.
//
//   handlers EXT                     "thumbnail CLSID", "preview CLSID" ("-" when missing)
//   thumb FILE OUTDIR CX...          per size, through the system's file stream:
//                                    "size CX HR W H ALPHA DIBBITS SUM", the section's bits
//                                    in memory order in OUTDIR\thumb-CX.bgra (rows top-down
//                                    when the section is); then through our own stream:
//                                    "budget READ EXTENT SIZE"
//   cuts FILE CX LENGTH...           the file cut at each length (A-B: every length between):
//                                    "cut LENGTH HR SUM"
//   faults FILE CX N...              a stream whose Stat fails, then one whose reads fail
//                                    after N bytes: "stat HR", "fault N HR"
//   threads COUNT ROUNDS CX FILE...  every thread its own handlers: "run T FILE HR SUM"
//   preview FILE OUTDIR W H W2 H2 [refuse]
//                                    a window of ours hosts the preview handler (see Preview.cpp)
//   bench CX ROUNDS FILE...          per drawing, ROUNDS runs (handler made, initialised with a
//                                    stream over the bytes in memory, GetThumbnail(CX)):
//                                    "bench FILE HR MEDIAN_MICROSECONDS READ SIZE"
// Every run ends with "end STATUS": 0 done, 2 a usage or system error.
#include "ShellDriver.h"

#include <shlwapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string HexResult(HRESULT result) {
    char text[16];
    std::snprintf(text, sizeof text, "%08lx", static_cast<unsigned long>(result));
    return text;
}

std::string Extension(const std::string& file) {
    const auto dot = file.find_last_of('.');
    return dot == std::string::npos ? std::string() : file.substr(dot);
}

std::string HandlerText(const std::string& extension, const char* shellExKey) {
    char value[64] = {};
    LONG size = sizeof value;
    const std::string key = extension + "\\ShellEx\\" + shellExKey;
    if (RegQueryValueA(HKEY_CLASSES_ROOT, key.c_str(), value, &size) != ERROR_SUCCESS) return "-";
    return value[0] ? value : "-";
}

void WriteRaw(const std::string& path, const Pixels& pixels) {
    std::ofstream out(path, std::ios::binary);
    const int32_t size[2] = {pixels.width, pixels.height};
    out.write(reinterpret_cast<const char*>(size), sizeof size);
    out.write(reinterpret_cast<const char*>(pixels.bgra.data()),
              static_cast<std::streamsize>(pixels.bgra.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

// "A-B" gives every length from A to B, anything else the one number.
std::vector<uint64_t> Lengths(const std::vector<std::string>& words) {
    std::vector<uint64_t> lengths;
    for (const auto& word : words) {
        const auto dash = word.find('-');
        const uint64_t first = std::strtoull(word.c_str(), nullptr, 10);
        const uint64_t last =
            dash == std::string::npos ? first : std::strtoull(word.c_str() + dash + 1, nullptr, 10);
        for (uint64_t n = first; n <= last; ++n) lengths.push_back(n);
    }
    return lengths;
}

int CmdHandlers(const Args& args) {
    const std::string& extension = Arg(args, 0);
    Emit({"thumbnail", HandlerText(extension, kThumbnailKey)});
    Emit({"preview", HandlerText(extension, kPreviewKey)});
    return 0;
}

int CmdThumb(const Args& args) {
    const std::string& file = Arg(args, 0);
    const std::string& outDir = Arg(args, 1);
    std::wstring wide(file.size() + 1, L'\0');
    wide.resize(MultiByteToWideChar(CP_ACP, 0, file.c_str(), -1, wide.data(),
                                    static_cast<int>(wide.size())));
    for (size_t i = 2; i < args.size(); ++i) {
        const UINT cx = static_cast<UINT>(std::strtoul(args[i].c_str(), nullptr, 10));
        ComRef<IStream> stream;
        Check(SHCreateStreamOnFileEx(wide.c_str(), STGM_READ | STGM_SHARE_DENY_WRITE, 0, FALSE,
                                     nullptr, stream.Out()),
              "SHCreateStreamOnFileEx");
        const Thumbnail t = RunThumbnail(Extension(file), stream.Get(), cx);
        Emit({"size", args[i], HexResult(t.result), Num(t.pixels.width), Num(t.pixels.height),
              Num(t.alpha), Num(t.dibBits), Hex(t.pixels.Sum())});
        if (SUCCEEDED(t.result)) WriteRaw(outDir + "\\thumb-" + args[i] + ".bgra", t.pixels);
    }
    auto bytes = std::make_shared<const std::vector<uint8_t>>(ReadWhole(file));
    auto* own = new TestStream(bytes, {});
    const UINT cx = args.size() > 2 ? std::strtoul(args[2].c_str(), nullptr, 10) : 256;
    RunThumbnail(Extension(file), own, cx);
    Emit({"budget", Num(own->BytesRead()), Num(own->Extent()), Num(bytes->size())});
    own->Release();
    return 0;
}

int CmdCuts(const Args& args) {
    const std::string& file = Arg(args, 0);
    const UINT cx = std::strtoul(Arg(args, 1).c_str(), nullptr, 10);
    auto bytes = std::make_shared<const std::vector<uint8_t>>(ReadWhole(file));
    for (uint64_t length : Lengths({args.begin() + 2, args.end()})) {
        TestStream::Faults faults;
        faults.length = length;
        auto* stream = new TestStream(bytes, faults);
        const Thumbnail t = RunThumbnail(Extension(file), stream, cx);
        stream->Release();
        Emit({"cut", Num(length), HexResult(t.result), Hex(t.pixels.Sum())});
    }
    return 0;
}

int CmdFaults(const Args& args) {
    const std::string& file = Arg(args, 0);
    const UINT cx = std::strtoul(Arg(args, 1).c_str(), nullptr, 10);
    auto bytes = std::make_shared<const std::vector<uint8_t>>(ReadWhole(file));
    TestStream::Faults faults;
    faults.failStat = true;
    auto* stream = new TestStream(bytes, faults);
    Emit({"stat", HexResult(RunThumbnail(Extension(file), stream, cx).result)});
    stream->Release();
    for (size_t i = 2; i < args.size(); ++i) {
        faults = {};
        faults.failAfter = std::strtoll(args[i].c_str(), nullptr, 10);
        stream = new TestStream(bytes, faults);
        const Thumbnail t = RunThumbnail(Extension(file), stream, cx);
        stream->Release();
        Emit({"fault", args[i], HexResult(t.result)});
    }
    return 0;
}

int CmdThreads(const Args& args) {
    const int count = std::atoi(Arg(args, 0).c_str());
    const int rounds = std::atoi(Arg(args, 1).c_str());
    const UINT cx = std::strtoul(Arg(args, 2).c_str(), nullptr, 10);
    std::vector<std::shared_ptr<const std::vector<uint8_t>>> files;
    for (size_t i = 3; i < args.size(); ++i) {
        files.push_back(std::make_shared<const std::vector<uint8_t>>(ReadWhole(args[i])));
    }
    std::vector<std::vector<std::string>> lines(count);
    std::vector<std::thread> threads;
    for (int t = 0; t < count; ++t) {
        threads.emplace_back([&, t] {
            CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
            for (int round = 0; round < rounds; ++round) {
                for (size_t f = 0; f < files.size(); ++f) {
                    // Each thread starts at another file, so different drawings overlap.
                    const size_t pick = (f + t) % files.size();
                    auto* stream = new TestStream(files[pick], {});
                    const Thumbnail result = RunThumbnail(Extension(args[3 + pick]), stream, cx);
                    stream->Release();
                    lines[t].push_back(Line({"run", Num(t), args[3 + pick],
                                             HexResult(result.result), Hex(result.pixels.Sum())}));
                }
            }
            CoUninitialize();
        });
    }
    for (auto& thread : threads) thread.join();
    for (const auto& block : lines) {
        for (const auto& line : block) std::fputs(line.c_str(), stdout);
    }
    return 0;
}

int CmdBench(const Args& args) {
    const UINT cx = std::strtoul(Arg(args, 0).c_str(), nullptr, 10);
    const int rounds = std::max(1, std::atoi(Arg(args, 1).c_str()));
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    for (size_t i = 2; i < args.size(); ++i) {
        auto bytes = std::make_shared<const std::vector<uint8_t>>(ReadWhole(args[i]));
        std::vector<double> times;
        HRESULT result = E_FAIL;
        uint64_t read = 0;
        for (int round = 0; round < rounds; ++round) {
            LARGE_INTEGER start{}, end{};
            auto* stream = new TestStream(bytes, {});
            QueryPerformanceCounter(&start);
            result = RunThumbnail(Extension(args[i]), stream, cx).result;
            QueryPerformanceCounter(&end);
            read = stream->BytesRead();
            stream->Release();
            times.push_back(double(end.QuadPart - start.QuadPart) * 1e6 /
                            double(frequency.QuadPart));
        }
        std::sort(times.begin(), times.end());
        Emit({"bench", args[i], HexResult(result),
              Num(static_cast<long long>(times[times.size() / 2])), Num(read), Num(bytes->size())});
    }
    return 0;
}

struct Command {
    const char* name;
    int (*run)(const Args&);
};

constexpr Command kCommands[] = {
    {"handlers", CmdHandlers}, {"thumb", CmdThumb},     {"cuts", CmdCuts},   {"faults", CmdFaults},
    {"threads", CmdThreads},   {"preview", CmdPreview}, {"bench", CmdBench},
};

}  // namespace

int main(int argc, char** argv) {
    int status = 2;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    try {
        if (argc < 2) throw std::runtime_error("usage: olxshell COMMAND ARG...");
        const Args args(argv + 2, argv + argc);
        for (const Command& command : kCommands) {
            if (std::string(argv[1]) == command.name) status = command.run(args);
        }
        if (status == 2) throw std::runtime_error(std::string("unknown command ") + argv[1]);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "olxshell: %s\n", error.what());
        status = 2;
    }
    std::printf("end\t%d\n", status);
    std::fflush(stdout);
    CoUninitialize();
    return status;
}
