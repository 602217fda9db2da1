#include "DxfCursor.h"

#include <algorithm>
#include <cstring>

#include "Error.h"
#include "preview/ByteSource.h"

namespace {
constexpr std::size_t kWindow = std::size_t{64} << 10;
}

// A small drawing gets a window of its own size: the fuzz targets and block re-reads make
// cursors by the thousand.
DxfCursor::DxfCursor(ByteSource& source)
    : source_(source),
      window_(static_cast<std::size_t>(std::clamp<uint64_t>(source.Size(), 1, kWindow))),
      buffer_(new uint8_t[window_]) {}

bool DxfCursor::AtEnd() const { return position_ >= source_.Size(); }

void DxfCursor::Seek(uint64_t offset) { position_ = std::min(offset, source_.Size()); }

bool DxfCursor::Refill() {
    if (AtEnd()) return false;
    const uint64_t left = source_.Size() - position_;
    bufferSize_ = static_cast<std::size_t>(std::min<uint64_t>(left, window_));
    bufferStart_ = position_;
    source_.Read(position_, std::span(buffer_.get(), bufferSize_));
    return true;
}

uint8_t DxfCursor::ByteRefilled() {
    if (!Refill()) throw AppError::DamagedDxf("cut short");
    return buffer_[static_cast<std::size_t>(position_++ - bufferStart_)];
}

void DxfCursor::Copy(uint8_t* out, std::size_t count) {
    while (count > 0) {
        if (!Fill()) throw AppError::DamagedDxf("cut short");
        const std::size_t at = static_cast<std::size_t>(position_ - bufferStart_);
        const std::size_t n = std::min(count, bufferSize_ - at);
        std::memcpy(out, buffer_.get() + at, n);
        position_ += n;
        out += n;
        count -= n;
    }
}

void DxfCursor::Bytes(std::size_t count, std::string& out) {
    while (count > 0) {
        if (!Fill()) throw AppError::DamagedDxf("cut short");
        const std::size_t at = static_cast<std::size_t>(position_ - bufferStart_);
        const std::size_t n = std::min(count, bufferSize_ - at);
        out.append(reinterpret_cast<const char*>(buffer_.get() + at), n);
        position_ += n;
        count -= n;
    }
}

bool DxfCursor::AppendUntil(uint8_t delimiter, std::string& out, const char* tooLong) {
    while (Fill()) {
        const std::size_t at = static_cast<std::size_t>(position_ - bufferStart_);
        const uint8_t* begin = buffer_.get() + at;
        const uint8_t* end = buffer_.get() + bufferSize_;
        const uint8_t* found = std::find(begin, end, delimiter);
        const auto length = static_cast<std::size_t>(found - begin);
        if (out.size() + length > kMaxLine) throw AppError::DamagedDxf(tooLong);
        out.append(reinterpret_cast<const char*>(begin), length);
        position_ += length;
        if (found != end) {
            ++position_;
            return true;
        }
    }
    return false;
}

void DxfCursor::Terminated(std::string& out) {
    out.clear();
    if (!AppendUntil(0, out, "string too long")) throw AppError::DamagedDxf("string cut short");
}

bool DxfCursor::Line(std::string_view& out) {
    if (!Fill()) return false;
    const std::size_t at = static_cast<std::size_t>(position_ - bufferStart_);
    const auto* begin = reinterpret_cast<const char*>(buffer_.get() + at);
    const std::size_t left = bufferSize_ - at;
    const auto* found = static_cast<const char*>(std::memchr(begin, '\n', left));
    if (found != nullptr && static_cast<std::size_t>(found - begin) <= kMaxLine) {
        out = std::string_view(begin, static_cast<std::size_t>(found - begin));
        position_ += out.size() + 1;
    } else {
        scratch_.clear();
        AppendUntil('\n', scratch_, "line too long");  // the last line may lack its LF
        out = scratch_;
    }
    if (!out.empty() && out.back() == '\r') out.remove_suffix(1);
    return true;
}
