#include "DxfCursor.h"

#include <algorithm>

#include "Error.h"
#include "preview/ByteSource.h"

namespace {
constexpr std::size_t kWindow = std::size_t{64} << 10;
}

DxfCursor::DxfCursor(ByteSource& source) : source_(source), buffer_(kWindow) {}

bool DxfCursor::AtEnd() const { return position_ >= source_.Size(); }

void DxfCursor::Seek(uint64_t offset) { position_ = std::min(offset, source_.Size()); }

bool DxfCursor::Fill() {
    if (position_ >= bufferStart_ && position_ - bufferStart_ < bufferSize_) return true;
    if (AtEnd()) return false;
    const uint64_t left = source_.Size() - position_;
    bufferSize_ = static_cast<std::size_t>(std::min<uint64_t>(left, kWindow));
    bufferStart_ = position_;
    source_.Read(position_, std::span(buffer_.data(), bufferSize_));
    return true;
}

uint8_t DxfCursor::Byte() {
    if (!Fill()) throw AppError::DamagedDxf("cut short");
    return buffer_[static_cast<std::size_t>(position_++ - bufferStart_)];
}

void DxfCursor::Bytes(std::size_t count, std::string& out) {
    while (count > 0) {
        if (!Fill()) throw AppError::DamagedDxf("cut short");
        const std::size_t at = static_cast<std::size_t>(position_ - bufferStart_);
        const std::size_t n = std::min(count, bufferSize_ - at);
        out.append(reinterpret_cast<const char*>(buffer_.data() + at), n);
        position_ += n;
        count -= n;
    }
}

bool DxfCursor::AppendUntil(uint8_t delimiter, std::string& out, const char* tooLong) {
    while (Fill()) {
        const std::size_t at = static_cast<std::size_t>(position_ - bufferStart_);
        const uint8_t* begin = buffer_.data() + at;
        const uint8_t* end = buffer_.data() + bufferSize_;
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

bool DxfCursor::Line(std::string& out) {
    out.clear();
    if (!Fill()) return false;
    AppendUntil('\n', out, "line too long");  // the last line may lack its LF
    if (!out.empty() && out.back() == '\r') out.pop_back();
    return true;
}
