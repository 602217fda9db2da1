#pragma once
// Shared pieces of olxshell: output lines, the handler look-up and one thumbnail run.
#include <windows.h>
#include <objidl.h>

#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "TestStream.h"

using Args = std::vector<std::string>;

const std::string& Arg(const Args& args, size_t index);
std::vector<uint8_t> ReadWhole(const std::string& path);
std::string Num(long long value);
std::string Hex(unsigned long long value);
std::string Line(std::initializer_list<std::string_view> fields);  // tab-separated, LF
void Emit(std::initializer_list<std::string_view> fields);
void Check(HRESULT result, const char* what);  // throws std::runtime_error for a failure

template <typename T>
class ComRef {
  public:
    ComRef() = default;
    ~ComRef() {
        if (pointer_) pointer_->Release();
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    T* Get() const { return pointer_; }
    T* operator->() const { return pointer_; }
    T** Out() { return &pointer_; }
    void** OutVoid() { return reinterpret_cast<void**>(&pointer_); }

  private:
    T* pointer_ = nullptr;
};

struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> bgra;       // rows top-down
    unsigned long long Sum() const;  // FNV-1a over the size and the pixels; 0 when empty
};

// The handler registered for `extension` under its ShellEx key `shellExKey`, created in
// process and asked for `iid`; throws when there is none.
void CreateHandler(const std::string& extension, const char* shellExKey, REFIID iid, void** out);

struct Thumbnail {
    HRESULT result = E_FAIL;
    Pixels pixels;
    int alpha = 0;
    int dibBits = 0;
};

// A new thumbnail handler for `extension`, initialised with `stream`, asked for size cx.
// A bitmap handed back with a failure is a fault of the handler: it throws.
Thumbnail RunThumbnail(const std::string& extension, IStream* stream, UINT cx);

extern const char kThumbnailKey[];
extern const char kPreviewKey[];

int CmdPreview(const Args& args);
