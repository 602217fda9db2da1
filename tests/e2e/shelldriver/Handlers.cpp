#include <thumbcache.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "ShellDriver.h"

const char kThumbnailKey[] = "{e357fccd-a995-4576-b01f-234630154e96}";
const char kPreviewKey[] = "{8895b1c6-b41f-4c1c-a562-0d564250836f}";

const std::string& Arg(const Args& args, size_t index) {
    if (index >= args.size()) throw std::runtime_error("missing argument " + std::to_string(index));
    return args[index];
}

std::vector<uint8_t> ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Num(long long value) { return std::to_string(value); }

std::string Hex(unsigned long long value) {
    char text[24];
    std::snprintf(text, sizeof text, "%016llx", value);
    return text;
}

std::string Line(std::initializer_list<std::string_view> fields) {
    std::string line;
    for (auto field : fields) {
        if (!line.empty()) line += '\t';
        line += field;
    }
    return line + "\n";
}

void Emit(std::initializer_list<std::string_view> fields) {
    std::fputs(Line(fields).c_str(), stdout);
}

void Check(HRESULT result, const char* what) {
    if (FAILED(result)) {
        char code[16];
        std::snprintf(code, sizeof code, "%08lx", static_cast<unsigned long>(result));
        throw std::runtime_error(std::string(what) + " failed: " + code);
    }
}

unsigned long long Pixels::Sum() const {
    if (bgra.empty()) return 0;
    unsigned long long hash = 14695981039346656037ull;
    auto mix = [&hash](uint8_t value) { hash = (hash ^ value) * 1099511628211ull; };
    for (int value : {width, height}) {
        for (int shift = 0; shift < 32; shift += 8) mix(static_cast<uint8_t>(value >> shift));
    }
    for (uint8_t value : bgra) mix(value);
    return hash;
}

void CreateHandler(const std::string& extension, const char* shellExKey, REFIID iid, void** out) {
    char text[64] = {};
    LONG size = sizeof text;
    const std::string key = extension + "\\ShellEx\\" + shellExKey;
    if (RegQueryValueA(HKEY_CLASSES_ROOT, key.c_str(), text, &size) != ERROR_SUCCESS) {
        throw std::runtime_error("no handler registered under " + key);
    }
    wchar_t wide[64] = {};
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide, 64);
    CLSID clsid{};
    Check(CLSIDFromString(wide, &clsid), "CLSIDFromString");
    Check(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, out), "CoCreateInstance");
}

Thumbnail RunThumbnail(const std::string& extension, IStream* stream, UINT cx) {
    Thumbnail t;
    ComRef<IInitializeWithStream> init;
    CreateHandler(extension, kThumbnailKey, __uuidof(IInitializeWithStream), init.OutVoid());
    t.result = init->Initialize(stream, STGM_READ);
    if (FAILED(t.result)) return t;
    ComRef<IThumbnailProvider> provider;
    Check(init->QueryInterface(__uuidof(IThumbnailProvider), provider.OutVoid()),
          "QueryInterface(IThumbnailProvider)");
    HBITMAP bitmap = nullptr;
    WTS_ALPHATYPE alpha = WTSAT_UNKNOWN;
    t.result = provider->GetThumbnail(cx, &bitmap, &alpha);
    if (FAILED(t.result)) {
        if (bitmap) throw std::runtime_error("a bitmap came back with a failure");
        return t;
    }
    t.alpha = alpha;
    DIBSECTION dib{};
    const bool isDib = GetObjectA(bitmap, sizeof dib, &dib) == sizeof dib && dib.dsBm.bmBits;
    if (isDib) {
        t.dibBits = dib.dsBmih.biBitCount;
        t.pixels.width = dib.dsBm.bmWidth;
        t.pixels.height = dib.dsBm.bmHeight;
        if (t.dibBits == 32) {
            const auto* bits = static_cast<const uint8_t*>(dib.dsBm.bmBits);
            t.pixels.bgra.assign(bits, bits + size_t(dib.dsBm.bmWidthBytes) * t.pixels.height);
        }
    }
    DeleteObject(bitmap);
    return t;
}
