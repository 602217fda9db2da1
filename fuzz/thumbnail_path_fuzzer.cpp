// The thumbnailer's whole path over any drawing: the thumbnail read for decoding, its pixels,
// scaled to fit a size the input picks, and the PNG written for them. Input: two bytes of
// size, then the drawing in CompactInput.h's form, so megabytes of run-length data fit; with
// the first byte's top bit set, a PNG thumbnail of any size up to past the cap made from a
// recipe (PngThumbnailInput.h's MadePng). A PNG's row-by-row decoding must give the pixels
// of the whole-image reader scaled by ScaleByAreaAverage.
#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <utility>

#include "CompactInput.h"
#include "FuzzCheck.h"
#include "PngCodec.h"
#include "PngThumbnailInput.h"
#include "bitmap/Dib.h"
#include "image/AreaScale.h"
#include "image/ThumbnailPicture.h"
#include "preview/Preview.h"

namespace {

// The live heap of this binary's operator new, and its peak since the last reset.
std::atomic<std::size_t> liveBytes{0};
std::atomic<std::size_t> peakBytes{0};

// What decoding may hold at once: the rebuilt image twice (it and a run-length copy, or a
// colour table) and the largest pixels.
constexpr std::size_t kPixelsCap = kMaxDibPixelBytes;
constexpr std::size_t kHeaderReadsCap = 64;  // fields of the header, directory and thumbnail
constexpr std::size_t kRoundTripBytes = std::size_t{1} << 20;

bool IsPngDrawing(const std::vector<uint8_t>& drawing) {
    static const uint8_t kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return drawing.size() >= 8 && std::equal(kSignature, kSignature + 8, drawing.begin());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const int limit = 1 + ((data[0] & 0x7F) << 8 | data[1]) % 4096;  // the thumbnailer's -s range
    const auto rest = std::span(data + 2, size - 2);
    const bool made = data[0] & 0x80;
    std::vector<uint8_t> madeDrawing;
    if (made) {
        DrawingBuilder builder;
        builder.releaseCode = "1027";
        builder.rawThumbnail = fuzz::MadePng(rest, kMaxPictureSide);
        if (builder.rawThumbnail.empty()) return 0;
        madeDrawing = builder.Build();
    }
    auto sourceOf = [&]() -> std::unique_ptr<ByteSource> {
        if (made) return std::make_unique<MemorySource>(madeDrawing);
        return std::make_unique<fuzz::CompactSource>(rest);
    };

    PreviewInfo info;
    try {
        const auto header = sourceOf();
        if (ReadPreviewHeader(*header, info) != PreviewOutcome::Ready) return 0;
    } catch (const AppError&) {
        return 0;  // the header's own target checks these
    }

    const auto owned = sourceOf();
    ByteSource& source = *owned;
    const std::size_t before = liveBytes;
    peakBytes = before;
    DrawingPreview preview;
    try {
        preview = ReadDrawingThumbnail(source);
    } catch (const AppError& error) {
        FUZZ_CHECK(fuzz::IsOneOf(
            error, {ErrorKind::StreamRead, ErrorKind::RangeCheck, ErrorKind::StreamGrow,
                    ErrorKind::OutOfMemory, ErrorKind::InvalidBitmap}));
        if (error.Kind() == ErrorKind::InvalidBitmap) {
            // Only a length of 0 fails here, and before any of the drawing is read.
            FUZZ_CHECK(info.bitmapLength == 0 && source.BytesRead() <= kHeaderReadsCap);
        }
        return 0;
    }
    FUZZ_CHECK(preview.outcome == PreviewOutcome::Ready);
    if (info.bitmapLength == 0) {
        FUZZ_CHECK(info.kind == ImageKind::Png && IsPngDrawing(preview.image));
    }
    const std::size_t thumbnail = preview.image.size();
    const std::size_t cap = 2 * thumbnail + kPixelsCap;

    // The viewer's decoder on the same image, its copy gone before the pixels are made: both
    // must take the same image, or fail alike.
    std::optional<ErrorKind> viewerError;
    int32_t viewerWidth = 0, viewerHeight = 0;
    if (info.kind == ImageKind::Bmp) {
        try {
            const DibImage dib = DecodeBmp(preview.image);
            FUZZ_CHECK(dib.pixels.size() <= kMaxDibPixelBytes);
            viewerWidth = dib.width;
            viewerHeight = dib.height < 0 ? -dib.height : dib.height;
        } catch (const AppError& error) {
            viewerError = error.Kind();
        }
    }

    if (info.kind == ImageKind::Png) {
        // Row by row, fitted, against the whole-image reader and the whole-image scaler: the
        // same pixels or the same refusal. (The heap this takes is measured at full size by
        // the unit tests; the fuzz build's pictures are too small to tell.)
        const std::vector<uint8_t> file = preview.image;
        RgbaImage rows;
        bool rowsFailed = false;
        try {
            rows = ThumbnailPicture(std::move(preview), limit, DecodePngFitted);
            FUZZ_CHECK(preview.image.empty());
        } catch (const PngError&) {
            rowsFailed = true;
        }
        RgbaImage whole;
        std::string error;
        if (!DecodePng(file, whole, error)) {
            FUZZ_CHECK(rowsFailed);
            return 0;
        }
        FUZZ_CHECK(!rowsFailed && RgbaSizeAcceptable(whole.width, whole.height));
        whole = FitPicture(std::move(whole), limit);
        FUZZ_CHECK(rows.width == whole.width && rows.height == whole.height);
        // For 16-bit interlaced pictures libpng 1.6.39's simplified reader gives pixels that are
        // not the stored samples; the row reader's are, so only those sizes are compared.
        const bool sixteenInterlaced = file[24] == 16 && file[28] == 1;
        if (!sixteenInterlaced) FUZZ_CHECK(rows.pixels == whole.pixels);
        return 0;
    }

    RgbaImage pixels;
    try {
        pixels = ThumbnailPixels(std::move(preview), DecodePngFitted);
    } catch (const AppError& error) {
        FUZZ_CHECK(info.kind == ImageKind::Bmp);
        FUZZ_CHECK(fuzz::IsOneOf(error, {ErrorKind::InvalidBitmap, ErrorKind::StreamRead}));
        // The viewer shows any size its decoder takes; thumbnails stop at kMaxPictureSide.
        FUZZ_CHECK(error.Kind() == viewerError ||
                   (!viewerError && !RgbaSizeAcceptable(viewerWidth, viewerHeight)));
        FUZZ_CHECK(peakBytes - before <= cap);
        return 0;
    }
    FUZZ_CHECK(preview.image.empty());  // released once decoded
    if (info.kind == ImageKind::Bmp) {
        FUZZ_CHECK(!viewerError);
        FUZZ_CHECK(pixels.width == viewerWidth && pixels.height == viewerHeight);
    }
    FUZZ_CHECK(RgbaSizeAcceptable(pixels.width, pixels.height));
    FUZZ_CHECK(pixels.pixels.size() == std::size_t(pixels.width) * pixels.height * 4);

    const Size2 fitted = FitWithin(pixels.width, pixels.height, limit);
    const int longer = std::max(pixels.width, pixels.height);
    if (longer <= limit) {
        FUZZ_CHECK((fitted == Size2{pixels.width, pixels.height}));
    } else {
        // The longer side becomes the limit, the shorter one follows, at least one pixel.
        FUZZ_CHECK((pixels.width >= pixels.height ? fitted.width : fitted.height) == limit);
        FUZZ_CHECK(fitted.width >= 1 && fitted.height >= 1 && fitted.width <= limit &&
                   fitted.height <= limit);
        FUZZ_CHECK(fitted.width <= pixels.width && fitted.height <= pixels.height);
        pixels = ScaleByAreaAverage(std::move(pixels), fitted);
    }
    FUZZ_CHECK(pixels.width == fitted.width && pixels.height == fitted.height);
    FUZZ_CHECK(pixels.pixels.size() == std::size_t(fitted.width) * fitted.height * 4);
    FUZZ_CHECK(peakBytes - before <= cap);

    // The PNG round trip is checked on thumbnail-sized images: megabytes of zlib a run would
    // cost most of the executions, for the same encoder calls.
    if (pixels.pixels.size() > kRoundTripBytes) return 0;
    std::vector<uint8_t> png;
    std::string error;
    FUZZ_CHECK(EncodePngToMemory(pixels, png, error));
    RgbaImage back;
    FUZZ_CHECK(DecodePng(png, back, error));
    FUZZ_CHECK(back.width == fitted.width && back.height == fitted.height);
    FUZZ_CHECK(back.pixels == pixels.pixels);
    return 0;
}

// Each block carries its size in front, so every form of delete can account for it.
constexpr std::size_t kBlockHeader = alignof(std::max_align_t);

void* operator new(std::size_t size) {
    auto* block = static_cast<unsigned char*>(std::malloc(size + kBlockHeader));
    if (!block) throw std::bad_alloc();
    *reinterpret_cast<std::size_t*>(block) = size;
    const std::size_t now = liveBytes += size;
    std::size_t peak = peakBytes;
    while (now > peak && !peakBytes.compare_exchange_weak(peak, now)) {
    }
    return block + kBlockHeader;
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return operator new(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
    return operator new(size, tag);
}
void operator delete(void* p) noexcept {
    if (!p) return;
    auto* block = static_cast<unsigned char*>(p) - kBlockHeader;
    liveBytes -= *reinterpret_cast<std::size_t*>(block);
    std::free(block);
}
void operator delete[](void* p) noexcept { operator delete(p); }
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }
void operator delete[](void* p, std::size_t) noexcept { operator delete(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { operator delete(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { operator delete(p); }
