// A DXF drawing's whole path, bytes to picture: a picture of the size asked for, or the
// damaged-DXF error; never a crash, a hang or memory past the bound, whatever the drawing
// holds (blocks inserting themselves, 65535 x 65535 arrays, 2^31 claimed points, 1e308
// coordinates). The input is a drawing described in DxfDrawInput.h's form or raw bytes in
// CompactInput.h's; either way at most 64 KiB reach the reader.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "CompactInput.h"
#include "DxfDrawInput.h"
#include "FuzzCheck.h"
#include "draw/DxfPicture.h"

namespace {

void CheckPicture(const DxfPicture& picture, const DrawRequest& request) {
    if (!request.preferStored) FUZZ_CHECK(picture.stored.empty());
    if (!picture.stored.empty()) FUZZ_CHECK(!picture.drawn.has_value());
    if (!picture.drawn) return;
    const RgbaImage& image = *picture.drawn;
    if (request.height > 0) {
        FUZZ_CHECK(image.width == request.width && image.height == request.height);
    } else {
        FUZZ_CHECK(std::max(image.width, image.height) == request.width);
        FUZZ_CHECK(image.width >= 1 && image.height >= 1);
    }
    FUZZ_CHECK(image.pixels.size() == std::size_t(image.width) * std::size_t(image.height) * 4);
}

DxfPicture Draw(ByteSource& source, const DrawRequest& request) {
    try {
        return DxfPictureOf(source, request);
    } catch (const AppError& error) {
        FUZZ_CHECK(error.Kind() == ErrorKind::DamagedDxf);
        return {};
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::span<const uint8_t> input(data, size);
    const uint8_t form = size > 0 ? input[0] : 0;
    DrawRequest request;
    request.width = 1 + (size > 1 ? input[1] : 0) % 64;
    request.height = (size > 2 ? input[2] : 0) % 65;
    request.preferStored = form & fuzz::kDrawPreferStored;
    const std::span<const uint8_t> rest = input.subspan(std::min<std::size_t>(size, 3));

    if (form & fuzz::kDrawRaw) {
        fuzz::CompactSource source(rest, fuzz::kMaxDrawInput);
        CheckPicture(Draw(source, request), request);
        return 0;
    }
    const std::string drawing = fuzz::GenerateDrawing(rest, form);
    FUZZ_CHECK(drawing.size() <= fuzz::kMaxDrawInput);
    MemorySource source(
        std::span(reinterpret_cast<const uint8_t*>(drawing.data()), drawing.size()));
    const DxfPicture picture = Draw(source, request);
    CheckPicture(picture, request);
    return 0;
}
