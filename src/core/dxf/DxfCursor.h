#pragma once
// A drawing read front to back through a 64 KiB window, so that a DXF file of any size costs
// one buffer. Seek() moves the window for positioned re-reads (a block's entities).
#include <cstdint>
#include <string>
#include <vector>

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
    uint8_t Byte();
    // The next `count` bytes, appended to `out`.
    void Bytes(std::size_t count, std::string& out);
    // Bytes up to the next NUL, which is consumed.
    void Terminated(std::string& out);
    // The next line without its LF (and a CR before it); false at the end with nothing read.
    bool Line(std::string& out);

  private:
    bool Fill();  // false when nothing is left at position_
    // Appends bytes up to `delimiter`, which is consumed; false when the data ends first.
    // Past kMaxLine, the damaged-DXF error with `tooLong`.
    bool AppendUntil(uint8_t delimiter, std::string& out, const char* tooLong);

    ByteSource& source_;
    std::vector<uint8_t> buffer_;
    uint64_t bufferStart_ = 0;
    std::size_t bufferSize_ = 0;
    uint64_t position_ = 0;
};
