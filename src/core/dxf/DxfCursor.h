#pragma once
// A drawing read front to back through a 64 KiB window, so that a DXF file of any size costs
// one buffer. Seek() moves the window for positioned re-reads (a block's entities).
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class ByteSource;

class DxfCursor {
  public:
    // Longer lines and strings are damage: no DXF writer makes them, and they would be held whole.
    static constexpr std::size_t kMaxLine = std::size_t{64} << 10;

    explicit DxfCursor(ByteSource& source);

    uint64_t Position() const { return position_; }
    bool AtEnd() const;
    void Seek(uint64_t offset);

    // The next byte; the damaged-DXF error at the end.
    uint8_t Byte() {
        const uint64_t at = position_ - bufferStart_;  // wraps when before the window
        if (at < bufferSize_) {
            ++position_;
            return buffer_[static_cast<std::size_t>(at)];
        }
        return ByteRefilled();
    }
    // The next `count` bytes into `out`; the damaged-DXF error at the end.
    void Copy(uint8_t* out, std::size_t count);
    // The next `count` bytes, appended to `out`.
    void Bytes(std::size_t count, std::string& out);
    // Bytes up to the next NUL, which is consumed.
    void Terminated(std::string& out);
    // The next line without its LF (and a CR before it), valid until the cursor is next used;
    // false at the end with nothing read. Most lines are seen where they lie in the window;
    // one across its end is gathered in a scratch string.
    bool Line(std::string_view& out);

  private:
    bool Fill() {  // false when nothing is left at position_
        return position_ - bufferStart_ < bufferSize_ || Refill();
    }
    bool Refill();
    uint8_t ByteRefilled();
    // Appends bytes up to `delimiter`, which is consumed; false when the data ends first.
    // Past kMaxLine, the damaged-DXF error with `tooLong`.
    bool AppendUntil(uint8_t delimiter, std::string& out, const char* tooLong);

    ByteSource& source_;
    std::size_t window_;
    std::unique_ptr<uint8_t[]> buffer_;  // not cleared: only bytes read into it are seen
    std::string scratch_;
    uint64_t bufferStart_ = 0;
    std::size_t bufferSize_ = 0;
    uint64_t position_ = 0;
};
