// The viewer's BMP decoder over any bytes: a consistent image or one of its two errors.
#include <cstddef>
#include <cstdint>
#include <span>

#include "DibChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    DibImage image;
    try {
        image = DecodeBmp(std::span<const uint8_t>(data, size));
    } catch (const AppError& error) {
        FUZZ_CHECK(fuzz::IsOneOf(error, {ErrorKind::InvalidBitmap, ErrorKind::StreamRead}));
        return 0;
    }
    FUZZ_CHECK(size >= 14 && data[0] == 'B' && data[1] == 'M');
    fuzz::CheckDecoded(image);
    return 0;
}
