#include "Picture.h"

#include <algorithm>
#include <cstdlib>

#include "Error.h"
#include "SystemError.h"
#include "bitmap/Dib.h"

namespace {

// Bytes the platform reads for uncompressed rows: each row padded to four bytes.
uint64_t UncompressedSize(const DibImage& image) {
    const uint64_t width = static_cast<uint64_t>(std::llabs(image.width));
    const uint64_t rowBytes = (width * image.bitCount + 31) / 32 * 4;
    return rowBytes * static_cast<uint64_t>(std::llabs(image.height));
}

int Extent(int32_t value) {
    return static_cast<int>(std::min<long long>(std::llabs(value), INT32_MAX));
}

}  // namespace

Picture PictureFromDib(const DibImage& image) {
    const std::vector<uint8_t> info = image.BitmapInfo();
    const auto* header = reinterpret_cast<const BITMAPINFO*>(info.data());

    // The platform trusts the header for the amount of pixel data: never let it read past
    // the rows we hold, whatever the parser left in them.
    std::vector<uint8_t> padded;
    const uint8_t* bits = image.pixels.data();
    const bool compressed = image.compression == BI_RLE8 || image.compression == BI_RLE4;
    if (!compressed && image.pixels.size() < UncompressedSize(image)) {
        padded = image.pixels;
        padded.resize(UncompressedSize(image), 0);
        bits = padded.data();
    }

    Picture picture;
    win::ScopedWindowDc screen(nullptr);
    SetLastError(0);
    picture.bitmap.Reset(
        CreateDIBitmap(screen.Get(), &header->bmiHeader, CBM_INIT, bits, header, DIB_RGB_COLORS));
    if (!picture.bitmap) win::ThrowLastErrorOr(ErrorKind::InvalidBitmap);
    picture.width = Extent(image.width);
    picture.height = Extent(image.height);
    picture.bitsPerPixel = image.bitCount;
    return picture;
}
