#pragma once
// A DXF file is a list of group pairs: a group code, whose range gives the value's type, and a
// value. ASCII files write each as two lines (the code padded with spaces, LF or CRLF); binary
// files start with the sentinel "AutoCAD Binary DXF\r\n\x1a\0", then give each code as one
// byte (R12; 255 announces a two-byte code) or two bytes (R13 on), and each value as a
// NUL-terminated string, a little-endian integer or double, a boolean byte, or a length byte
// and that many bytes (binary chunks, which ASCII files write as hex).
#include <cstdint>
#include <string>
#include <string_view>

#include "dxf/DxfCursor.h"

enum class DxfFormat { Ascii, Binary };
enum class DxfType { String, Double, Int16, Int32, Int64, Bool, Binary };

DxfType DxfTypeOf(int code);

struct DxfPair {
    int32_t code = 0;
    DxfType type = DxfType::String;
    std::string text;     // strings, handles, and binary chunks as bytes
    double real = 0;      // doubles: always finite
    int64_t integer = 0;  // integers and booleans
};

class DxfPairReader {
  public:
    // Tells ASCII from binary by the sentinel; the damaged-DXF error for anything else that
    // cannot start a DXF file.
    explicit DxfPairReader(ByteSource& source);

    DxfFormat Format() const { return format_; }

    // The next pair; false at the end of the data between pairs. A pair cut short, a code that
    // is no number, a value that does not fit its type, NaN or infinity: damaged.
    bool Next(DxfPair& pair);
    // Where the pair Next() gave last starts: what Seek() takes to read it again.
    uint64_t PairStart() const { return pairStart_; }
    // Next() gives the last pair once more.
    void PutBack() { putBack_ = true; }
    void Seek(uint64_t offset);

  private:
    bool NextAscii(DxfPair& pair);
    bool NextBinary(DxfPair& pair);

    DxfCursor cursor_;
    DxfFormat format_ = DxfFormat::Ascii;
    bool shortCodes_ = false;  // binary R12: one-byte codes
    bool putBack_ = false;
    DxfPair last_;
    uint64_t pairStart_ = 0;
    std::string_view line_;  // into the cursor's window: valid until its next read
};
