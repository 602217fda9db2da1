// BMP pixel rows (bottom-up unless the height is negative, rows padded to 4 bytes):
//   1/4/8 bits   colour-table indices, most significant bits first
//   16 bits      5-5-5 RGB, or three masks with BI_BITFIELDS
//   24 bits      blue, green, red
//   32 bits      blue, green, red, unused; or three masks with BI_BITFIELDS
//   RLE8/RLE4    pairs (count, index); 0 0 ends a row, 0 1 the image, 0 2 dx dy moves,
//                0 n copies n literal indices padded to a 16-bit boundary
#include "image/DibToRgba.h"

#include <algorithm>
#include <bit>
#include <span>

#include "Error.h"
#include "bitmap/Dib.h"

namespace {

constexpr uint32_t kBiRle8 = 1;
constexpr uint32_t kBiRle4 = 2;
constexpr uint32_t kBiBitfields = 3;

// A colour-table entry; an index past the table shows black.
template <class Target>
void PutEntry(Target& target, const DibImage& dib, int x, int row, uint32_t index) {
    if (index * 4 + 3 >= dib.colors.size()) return target.Put(x, row, 0, 0, 0);
    const uint8_t* quad = dib.colors.data() + index * 4;  // blue, green, red, 0
    target.Put(x, row, quad[2], quad[1], quad[0]);
}

// Where decoded pixels go: the RGBA image, or the border count.
class Canvas {
  public:
    Canvas(const DibImage& dib, RgbaImage& out) : dib_(dib), out_(out) {}

    // Row `row` counted as stored, so bottom-up images are turned the right way here.
    void Put(int x, int row, uint8_t r, uint8_t g, uint8_t b) {
        const int y = dib_.height > 0 ? out_.height - 1 - row : row;
        uint8_t* p = out_.pixels.data() + (static_cast<std::size_t>(y) * out_.width + x) * 4;
        p[0] = r;
        p[1] = g;
        p[2] = b;
        p[3] = 255;
    }
    void PutIndex(int x, int row, uint32_t index) { PutEntry(*this, dib_, x, row, index); }
    static int NextColumn(int x, int) { return x + 1; }

  private:
    const DibImage& dib_;
    RgbaImage& out_;
};

// Counts the border pixels as they are put, each once: no decoder puts a pixel twice (rows and
// columns only move forward). Pixels a run-length image leaves out are black; run-length data
// is followed whole, rows read in place only at the border.
class BorderCanvas {
  public:
    BorderCanvas(const DibImage& dib, int rows) : dib_(dib), rows_(rows) {}
    void Put(int x, int row, uint8_t r, uint8_t g, uint8_t b) {
        if (row != 0 && row != rows_ - 1 && x != 0 && x != dib_.width - 1) return;
        ++count_.border;
        count_.black += r == 0 && g == 0 && b == 0;
        count_.white += r == 255 && g == 255 && b == 255;
    }
    void PutIndex(int x, int row, uint32_t index) { PutEntry(*this, dib_, x, row, index); }
    // Rows read in place: of a row between the first and the last, only its two ends.
    int NextColumn(int x, int row) const {
        if (row == 0 || row == rows_ - 1) return x + 1;
        return x == 0 ? std::max(1, dib_.width - 1) : dib_.width;
    }
    BorderCount Count() const {
        const uint64_t width = uint64_t(dib_.width);
        const uint64_t height = uint64_t(rows_);
        const uint64_t all =
            width == 1 || height == 1 ? width * height : 2 * width + 2 * (height - 2);
        BorderCount count = count_;
        count.black += all - count.border;
        count.border = all;
        return count;
    }

  private:
    const DibImage& dib_;
    int rows_;
    BorderCount count_;
};

// A channel from a mask, stretched to 0-255.
struct Channel {
    uint32_t mask;
    int shift = 0;
    uint32_t top = 0;  // the channel's largest value
    explicit Channel(uint32_t m) : mask(m) {
        if (m == 0) return;
        shift = std::countr_zero(m);
        top = m >> shift;
    }
    uint8_t From(uint32_t pixel) const {
        if (top == 0) return 0;
        const uint64_t value = (pixel & mask) >> shift;
        return static_cast<uint8_t>((value * 255 + top / 2) / top);
    }
};

uint32_t MaskAt(const DibImage& dib, int i, uint32_t fallback) {
    if (dib.compression != kBiBitfields) return fallback;
    const uint8_t* m = dib.bitfields.data() + i * 4;
    return m[0] | m[1] << 8 | m[2] << 16 | uint32_t{m[3]} << 24;
}

// The pixel bytes as the file holds them, read in place: rows the file cuts short read as 0,
// as the zero-filled rows of DecodeBmp would.
class PixelBytes {
  public:
    explicit PixelBytes(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    std::size_t Size() const { return bytes_.size(); }
    const uint8_t* Data() const { return bytes_.data(); }
    uint8_t operator[](std::size_t at) const { return at < bytes_.size() ? bytes_[at] : 0; }

  private:
    std::span<const uint8_t> bytes_;
};

struct Masks {
    bool masked;
    Channel red, green, blue;
};

// One row; `line` is a pointer for a row the file holds whole, else a PixelBytes.
template <class Line, class Target>
void ReadRow(const DibImage& dib, const Line& line, std::size_t start, int row, const Masks& m,
             Target& canvas) {
    const std::size_t bytesPerPixel = dib.bitCount / 8;
    for (int x = 0; x < dib.width; x = canvas.NextColumn(x, row)) {
        const auto column = static_cast<std::size_t>(x);
        if (dib.bitCount <= 8) {
            const int perByte = 8 / dib.bitCount;
            const int shift = 8 - dib.bitCount * (x % perByte + 1);
            canvas.PutIndex(x, row,
                            (line[start + column / perByte] >> shift) & ((1u << dib.bitCount) - 1));
            continue;
        }
        const std::size_t p = start + column * bytesPerPixel;
        if (!m.masked) {
            canvas.Put(x, row, line[p + 2], line[p + 1], line[p]);
            continue;
        }
        uint32_t pixel = line[p] | line[p + 1] << 8;
        if (dib.bitCount == 32) pixel |= line[p + 2] << 16 | uint32_t{line[p + 3]} << 24;
        canvas.Put(x, row, m.red.From(pixel), m.green.From(pixel), m.blue.From(pixel));
    }
}

template <class Target>
void ReadRows(const DibImage& dib, const PixelBytes& in, int rows, Target& canvas) {
    const std::size_t stride = (static_cast<std::size_t>(dib.width) * dib.bitCount + 31) / 32 * 4;
    const Masks masks{dib.bitCount == 16 || dib.compression == kBiBitfields,
                      Channel(MaskAt(dib, 0, dib.bitCount == 16 ? 0x7C00 : 0xFF0000)),
                      Channel(MaskAt(dib, 1, dib.bitCount == 16 ? 0x03E0 : 0x00FF00)),
                      Channel(MaskAt(dib, 2, dib.bitCount == 16 ? 0x001F : 0x0000FF))};
    // Rows the file holds whole are read straight; the rest through the zero-reading view.
    const std::size_t whole = std::min<std::size_t>(in.Size() / stride, rows);
    for (int row = 0; row < rows; ++row) {
        const std::size_t start = static_cast<std::size_t>(row) * stride;
        if (static_cast<std::size_t>(row) < whole) {
            ReadRow(dib, in.Data() + start, 0, row, masks, canvas);
        } else {
            ReadRow(dib, in, start, row, masks, canvas);
        }
    }
}

// The column never passes the width and the row stops at the first past the image, so no
// number of moves or literals can carry either counter far: a move past the right edge leaves
// nothing more drawn on that row until its end, a move past the last row ends the image.
template <class Target>
void ReadRunLength(const DibImage& dib, const PixelBytes& in, int rows, Target& canvas) {
    const bool four = dib.compression == kBiRle4;
    auto indexAt = [four](uint8_t byte, int n) -> uint32_t {
        return four ? (n % 2 == 0 ? byte >> 4 : byte & 15) : byte;
    };
    const int width = dib.width;
    int x = 0;
    int row = 0;
    std::size_t pos = 0;
    while (pos + 1 < in.Size() && row < rows) {
        const uint8_t count = in[pos];
        const uint8_t value = in[pos + 1];
        pos += 2;
        if (count > 0) {
            for (int n = 0; n < count && x < width; ++n, ++x) {
                canvas.PutIndex(x, row, indexAt(value, n));
            }
        } else if (value == 0) {
            x = 0;
            ++row;
        } else if (value == 1) {
            break;
        } else if (value == 2) {
            if (pos + 1 >= in.Size()) break;
            x = std::min(x + in[pos], width);
            row += in[pos + 1];
            pos += 2;
        } else {
            // Literal indices, padded to 16 bits; one cut short draws what the data holds.
            const std::size_t bytes = four ? (value + 1u) / 2 : value;
            const std::size_t held = std::min(bytes, in.Size() - pos);
            const int drawn =
                static_cast<int>(four ? std::min<std::size_t>(value, held * 2) : held);
            for (int n = 0; n < drawn && x < width; ++n, ++x) {
                canvas.PutIndex(x, row, indexAt(in[pos + n / (four ? 2 : 1)], four ? n : 0));
            }
            pos += (bytes + 1) & ~std::size_t{1};
        }
    }
}

}  // namespace

bool RgbaSizeAcceptable(int64_t width, int64_t height) {
    return width > 0 && height > 0 && width <= kMaxPictureSide && height <= kMaxPictureSide;
}

namespace {

// The parsed header and the rows' count, once the size is one thumbnails take.
int Rows(std::span<const uint8_t> file, DibImage& dib, std::span<const uint8_t>& pixels) {
    pixels = DecodeBmpInPlace(file, dib);
    const int64_t rows = dib.height < 0 ? -int64_t{dib.height} : dib.height;
    if (!RgbaSizeAcceptable(dib.width, rows)) throw AppError(ErrorKind::InvalidBitmap);
    return static_cast<int>(rows);
}

bool RunLength(const DibImage& dib) {
    return dib.compression == kBiRle8 || dib.compression == kBiRle4;
}

}  // namespace

BorderCount BmpBorder(std::span<const uint8_t> file) {
    DibImage dib;
    std::span<const uint8_t> bytes;
    const int rows = Rows(file, dib, bytes);
    const PixelBytes pixels(bytes);
    BorderCanvas canvas(dib, rows);
    if (RunLength(dib)) {
        ReadRunLength(dib, pixels, rows, canvas);
    } else {
        ReadRows(dib, pixels, rows, canvas);
    }
    return canvas.Count();
}

RgbaImage BmpToRgba(std::span<const uint8_t> file) {
    DibImage dib;
    std::span<const uint8_t> bytes;
    const int rows = Rows(file, dib, bytes);
    const PixelBytes pixels(bytes);

    RgbaImage out{dib.width, rows, {}};
    out.pixels.assign(static_cast<std::size_t>(dib.width) * static_cast<std::size_t>(rows) * 4, 0);
    Canvas canvas(dib, out);
    if (RunLength(dib)) {
        // Pixels the runs leave out are opaque black; rows are written whole otherwise.
        for (std::size_t i = 3; i < out.pixels.size(); i += 4) out.pixels[i] = 255;
        ReadRunLength(dib, pixels, rows, canvas);
    } else {
        ReadRows(dib, pixels, rows, canvas);
    }
    return out;
}
