// A drawing end to end, as the viewer opens one: the header, the rebuilt BMP image, then the
// decoder on that image; and its release code as the tools print it. The same bytes also as
// the picture a DXF drawing stores, which is rebuilt as a DWG drawing's is.
#include <algorithm>
#include <cstring>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "DibChecks.h"
#include "ReleaseName.h"
#include "draw/StoredPicture.h"
#include "preview/Preview.h"
#include "text/ControlEscape.h"

namespace {

constexpr uint32_t kWhite = 0x00FFFFFF;
constexpr uint32_t kBlack = 0x00000000;

// The rebuilt image is the thumbnail behind a 14-byte file header; only whole colour-table
// entries may differ from the thumbnail, and only black turned white or white turned black.
// Not traced for coverage: its loop over every entry is the check's, not the code's.
__attribute__((no_sanitize("coverage"))) void CheckRebuilt(const std::vector<uint8_t>& image,
                                                           std::span<const uint8_t> thumbnail,
                                                           const PreviewInfo& info) {
    FUZZ_CHECK(image.size() == thumbnail.size() + 14);
    FUZZ_CHECK(image[0] == 'B' && image[1] == 'M');
    FUZZ_CHECK(fuzz::Le32(image, 2) == info.bitmapLength + 14);
    FUZZ_CHECK(fuzz::Le32(image, 6) == 0);
    FUZZ_CHECK(fuzz::Le32(image, 10) == info.pixelOffset);
    const uint8_t* rebuilt = image.data() + 14;
    const std::size_t header = std::min<std::size_t>(40, thumbnail.size());
    FUZZ_CHECK(std::memcmp(rebuilt, thumbnail.data(), header) == 0);
    std::size_t at = header;
    for (; at + 4 <= thumbnail.size(); at += 4) {
        const uint32_t was = static_cast<uint32_t>(thumbnail[at]) | thumbnail[at + 1] << 8 |
                             thumbnail[at + 2] << 16 |
                             static_cast<uint32_t>(thumbnail[at + 3]) << 24;
        const uint32_t now = static_cast<uint32_t>(rebuilt[at]) | rebuilt[at + 1] << 8 |
                             rebuilt[at + 2] << 16 | static_cast<uint32_t>(rebuilt[at + 3]) << 24;
        if (was == now) continue;
        FUZZ_CHECK((was == kWhite && now == kBlack) || (was == kBlack && now == kWhite));
    }
    FUZZ_CHECK(std::memcmp(rebuilt + at, thumbnail.data() + at, thumbnail.size() - at) == 0);
}

bool IsControl(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }

// What the tools print of a drawing's bytes: no control byte gets through, and the bytes
// come back from the escaped text (every "\x" in it is an escape); none through a Windows
// path's escaping either.
void CheckEscaped(std::string_view raw) {
    const std::string escaped = EscapeControls(raw);
    FUZZ_CHECK(std::none_of(escaped.begin(), escaped.end(), IsControl));
    std::string back;
    for (std::size_t i = 0; i < escaped.size(); ++i) {
        if (escaped[i] != '\\') {
            back += escaped[i];
            continue;
        }
        FUZZ_CHECK(i + 3 < escaped.size() && escaped[i + 1] == 'x');
        back += static_cast<char>(std::stoi(escaped.substr(i + 2, 2), nullptr, 16));
        i += 3;
    }
    FUZZ_CHECK(back == raw);
    const std::string path = EscapeControls(raw, EscapeStyle::ShiftJisPath);
    FUZZ_CHECK(std::none_of(path.begin(), path.end(), IsControl));
}

void CheckStoredDxf(std::span<const uint8_t> dib) {
    PreviewInfo info;
    std::vector<uint8_t> image;
    try {
        image = StoredPictureImage(dib, info);
    } catch (const AppError& error) {
        FUZZ_CHECK(fuzz::IsOneOf(
            error, {ErrorKind::InvalidBitmap, ErrorKind::RangeCheck, ErrorKind::OutOfMemory}));
        return;
    }
    if (info.kind == ImageKind::Png) {
        FUZZ_CHECK(std::equal(image.begin(), image.end(), dib.begin(), dib.end()));
        return;
    }
    FUZZ_CHECK(info.pixelOffset == 14 + fuzz::Le32(image, 14) + 4 * uint64_t{info.colorCount});
    CheckRebuilt(image, dib, info);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::span<const uint8_t> drawing(data, size);
    CheckStoredDxf(drawing);
    PreviewInfo info;
    PreviewOutcome outcome;
    try {
        outcome = ReadPreviewHeader(drawing, info);
    } catch (const AppError& error) {
        FUZZ_CHECK(fuzz::IsOneOf(error, {ErrorKind::StreamRead, ErrorKind::InvalidBitmap}));
        return 0;
    }
    FUZZ_CHECK(size >= 6 && info.releaseCode.size() <= 4);
    FUZZ_CHECK(info.releaseCode.find('\0') == std::string::npos);
    CheckEscaped(info.releaseCode);
    CheckEscaped(
        std::string_view(reinterpret_cast<const char*>(data), std::min<std::size_t>(size, 64)));
    const std::string name = display::ReleaseName(info.releaseCode);
    FUZZ_CHECK(std::none_of(name.begin(), name.end(), IsControl));
    const std::string_view lowest = "1012";
    FUZZ_CHECK((outcome == PreviewOutcome::BelowRange) ==
               std::lexicographical_compare(info.releaseCode.begin(), info.releaseCode.end(),
                                            lowest.begin(), lowest.end(), [](char a, char b) {
                                                return static_cast<uint8_t>(a) <
                                                       static_cast<uint8_t>(b);
                                            }));
    if (outcome != PreviewOutcome::Ready) return 0;

    std::vector<uint8_t> image;
    try {
        image = BuildBitmapStream(drawing, info);
    } catch (const AppError& error) {
        FUZZ_CHECK(fuzz::IsOneOf(error, {ErrorKind::StreamRead, ErrorKind::RangeCheck,
                                         ErrorKind::StreamGrow, ErrorKind::OutOfMemory}));
        FUZZ_CHECK(error.Kind() != ErrorKind::RangeCheck || info.bitmapLength >= 0x80000000u);
        return 0;
    }
    const auto thumbnail =
        info.bitmapLength == 0 ? drawing : drawing.subspan(info.bitmapStart, info.bitmapLength);
    if (info.kind == ImageKind::Png) {
        FUZZ_CHECK(std::equal(image.begin(), image.end(), thumbnail.begin(), thumbnail.end()));
        return 0;
    }
    FUZZ_CHECK(info.pixelOffset == 54 + 4 * uint64_t{info.colorCount});
    CheckRebuilt(image, thumbnail, info);

    DibImage decoded;
    try {
        decoded = DecodeBmp(image);
    } catch (const AppError& error) {
        FUZZ_CHECK(fuzz::IsOneOf(error, {ErrorKind::InvalidBitmap, ErrorKind::StreamRead}));
        return 0;
    }
    // The core header keeps its sizes in 16 bits, which the drawing's reader does not know.
    if (fuzz::Le32(image, 14) != 12) {
        FUZZ_CHECK(decoded.width == info.width && decoded.height == info.height);
    }
    fuzz::CheckDecoded(decoded);
    return 0;
}
