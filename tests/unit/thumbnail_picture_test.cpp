// The core's thumbnail pipeline: which BMP pictures keep black and white exchanged, PNG through
// the platform's decoder, and the real drawings' grounds.
#include <gtest/gtest.h>

#include <cstdio>
#include <numeric>

#include "DrawingBuilder.h"
#include "Error.h"
#include "FileSource.h"
#include "Fixtures.h"
#include "PreviewTestUtil.h"
#include "bitmap_bmp_builder.h"
#include "image/DibToRgba.h"
#include "image/ThumbnailPicture.h"
#include "preview/Preview.h"

namespace {

using Rgb = std::array<uint8_t, 3>;
constexpr Rgb kBlack{0, 0, 0}, kWhite{255, 255, 255}, kRed{255, 0, 0};

Rgb At(const RgbaImage& image, int x, int y) {
    const auto p = image.pixels.begin() + (y * image.width + x) * 4;
    return {p[0], p[1], p[2]};
}

RgbaImage NoPng(std::span<const uint8_t>, int) { throw PngError("no PNG expected"); }

DrawingPreview PreviewOf(const DrawingBuilder& drawing) {
    const auto bytes = drawing.Build();
    MemorySource source(bytes);
    return ReadDrawingThumbnail(source);
}

// 4 x 3 at 8 bits, table black, white, red: the border all `ground`, inside one pixel of
// `line`, one red, and (bottom-right corner's neighbour) index 7, past the table.
DrawingBuilder Framed(uint8_t ground, uint8_t line) {
    DrawingBuilder d;
    d.width = 4;
    d.height = 3;
    d.colorsUsed = 3;
    d.colorTable = {0x000000, 0xFFFFFF, 0xFF0000};
    d.pixels = {ground, ground, ground, ground,  // bottom row, stored first
                ground, line,   2,      ground,  //
                ground, ground, ground, ground};
    return d;
}

TEST(ThumbnailPixels, ExchangesBlackAndWhiteOnlyOnABlackGround) {
    // Black ground, as drawings store it: shown on white, the white line black.
    const RgbaImage dark = ThumbnailPixels(PreviewOf(Framed(0, 1)), NoPng);
    EXPECT_EQ(At(dark, 0, 0), kWhite);
    EXPECT_EQ(At(dark, 1, 1), kBlack);
    EXPECT_EQ(At(dark, 2, 1), kRed);
    // White ground: the stored colours, not white lines on black.
    const RgbaImage light = ThumbnailPixels(PreviewOf(Framed(1, 0)), NoPng);
    EXPECT_EQ(At(light, 0, 0), kWhite);
    EXPECT_EQ(At(light, 3, 2), kWhite);
    EXPECT_EQ(At(light, 1, 1), kBlack);
    EXPECT_EQ(At(light, 2, 1), kRed);
    // Half the border black is no black ground: the stored black stays.
    DrawingBuilder half = Framed(0, 1);
    half.pixels[8] = half.pixels[9] = half.pixels[10] = half.pixels[11] = 2;
    half.pixels[4] = 2;
    EXPECT_EQ(At(ThumbnailPixels(PreviewOf(half), NoPng), 0, 2), kBlack);
}

TEST(ThumbnailPixels, PixelsThatShowNoTableEntryStayBlack) {
    // An index past the table shows black and is no table colour to exchange.
    DrawingBuilder past = Framed(0, 7);
    EXPECT_EQ(At(ThumbnailPixels(PreviewOf(past), NoPng), 1, 1), kBlack);

    // Run-length, black ground: 0 0 (end of row) leaves the bottom row's last three pixels out;
    // they stay black while the stored black around them turns white.
    bmptest::Bmp bmp;
    bmp.width = 4;
    bmp.height = 2;
    bmp.bits = 8;
    bmp.compression = 1;
    bmp.colorsUsed = 2;
    bmp.table = {0, 0, 0, 0, 255, 255, 255, 0};
    bmp.pixels = {1, 0, 0, 0, 4, 0, 0, 1};
    DrawingBuilder runs;
    const bmptest::Bytes file = bmp.Build();
    runs.rawThumbnail.assign(file.begin() + 14, file.end());
    const RgbaImage image = ThumbnailPixels(PreviewOf(runs), NoPng);
    EXPECT_EQ(At(image, 0, 1), kWhite);
    EXPECT_EQ(At(image, 1, 1), kBlack);
    EXPECT_EQ(At(image, 3, 0), kWhite);
}

TEST(ThumbnailPixels, PngThroughThePlatformsDecoderAndFitted) {
    DrawingBuilder png;
    png.releaseCode = "1027";
    png.rawThumbnail = MakePngHeader(70, 35);
    // The decoder fits the picture itself, as the rows come.
    auto decoder = [](std::span<const uint8_t> file, int limit) -> RgbaImage {
        if (file.size() != MakePngHeader(70, 35).size()) throw PngError("not the thumbnail");
        RgbaImage image{70, 35, std::vector<uint8_t>(70 * 35 * 4, 0)};
        for (std::size_t i = 0; i < image.pixels.size(); i += 4) {
            image.pixels[i] = 255;
            image.pixels[i + 3] = 128;
        }
        return FitPicture(std::move(image), limit);
    };
    DrawingPreview preview = PreviewOf(png);
    const RgbaImage fitted = ThumbnailPicture(std::move(preview), 10, decoder);
    EXPECT_TRUE(preview.image.empty());
    EXPECT_EQ(fitted.width, 10);
    EXPECT_EQ(fitted.height, 5);
    EXPECT_EQ(fitted.pixels[0], 255);
    EXPECT_EQ(fitted.pixels[3], 128);  // alpha kept
    EXPECT_THROW(ThumbnailPixels(PreviewOf(png), NoPng), PngError);
}

// The ground read from the border alone counts what the decoded image shows there: each border
// pixel once (one row or column too), interior rows skipped, run-length gaps black.
TEST(ThumbnailPixels, BorderCountedWithoutAnImageAsTheImageShowsIt) {
    auto bmp = [](int32_t w, int32_t h, uint16_t bits, uint32_t compression, bmptest::Bytes px) {
        bmptest::Bmp b;
        b.width = w;
        b.height = h;
        b.bits = bits;
        b.compression = compression;
        if (bits <= 8) {
            b.colorsUsed = 2;
            b.table = {0, 0, 0, 0, 255, 255, 255, 0};
        }
        b.pixels = std::move(px);
        return b.Build();
    };
    const bmptest::Bytes files[] = {
        bmp(4, 3, 8, 0, {0, 0, 0, 0, 0, 1, 1, 0, 1, 1, 1, 1}),
        bmp(1, 5, 8, 0, {1, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0}),
        bmp(5, 1, 8, 0, {1, 1, 0, 0, 1, 0, 0, 0}),
        bmp(3, -3, 24, 0, bmptest::Sequence(36, 200)),
        bmp(4, 3, 1, 0, {0x90, 0, 0, 0, 0x60, 0, 0, 0, 0xF0, 0, 0, 0}),
        bmp(4, 2, 8, 1, {1, 1, 0, 0, 2, 1, 0, 1})};
    for (std::size_t i = 0; i < std::size(files); ++i) {
        SCOPED_TRACE(i);
        const RgbaImage image = BmpToRgba(files[i]);
        BorderCount want;
        for (int y = 0; y < image.height; ++y) {
            for (int x = 0; x < image.width; ++x) {
                if (y != 0 && y != image.height - 1 && x != 0 && x != image.width - 1) continue;
                const Rgb p = At(image, x, y);
                ++want.border;
                want.black += p == kBlack;
                want.white += p == kWhite;
            }
        }
        const BorderCount got = BmpBorder(files[i]);
        EXPECT_EQ(got.border, want.border);
        EXPECT_EQ(got.black, want.black);
        EXPECT_EQ(got.white, want.white);
    }
}

// Sides past kMaxPictureSide are damaged pictures for every thumbnail, however few pixels.
TEST(ThumbnailPixels, RefusesASideAbove4096) {
    for (const int width : {4096, 4097}) {
        bmptest::Bmp bmp;
        bmp.width = width;
        bmp.height = 1;
        bmp.bits = 8;
        bmp.colorsUsed = 2;
        bmp.table = {0, 0, 0, 0, 255, 255, 255, 0};
        bmp.pixels.assign((width + 3) / 4 * 4, 1);
        DrawingBuilder drawing;
        const bmptest::Bytes file = bmp.Build();
        drawing.rawThumbnail.assign(file.begin() + 14, file.end());
        if (width == 4096) {
            EXPECT_EQ(ThumbnailPicture(PreviewOf(drawing), 256, NoPng).width, 256);
        } else {
            EXPECT_THROW(ThumbnailPicture(PreviewOf(drawing), 256, NoPng), AppError);
        }
    }
}

// Every BMP thumbnail of the real drawings: a black ground shown as the rebuilt image (black and
// white exchanged), any other as stored, and none darker than stored.
TEST(ThumbnailPixels, RealDrawingsGrounds) {
    const auto rows = LoadFixtureExpectations();
    if (rows.empty()) GTEST_SKIP() << "no fixtures at " << FixturesDir();
    int grounds[3] = {0, 0, 0};
    for (const auto& e : rows) {
        if (e.imageKind != "bmp") continue;
        SCOPED_TRACE(e.file);
        DrawingPreview preview = ReadDrawingThumbnail((FixturesDir() / e.file).string());
        const RgbaImage rebuilt = BmpToRgba(preview.image);
        std::vector<uint8_t> stored = preview.image;
        ExchangeBlackAndWhite(stored);
        const RgbaImage storedPixels = BmpToRgba(stored);
        const Ground ground = GroundOf(storedPixels);
        ++grounds[static_cast<int>(ground)];
        // The ground the pipeline reads from the border alone, before its one decode.
        EXPECT_EQ(GroundOf(BmpBorder(stored)), ground);

        const RgbaImage shown = ThumbnailPixels(std::move(preview), NoPng);
        EXPECT_EQ(shown.pixels, ground == Ground::Black ? rebuilt.pixels : storedPixels.pixels);
        EXPECT_NE(GroundOf(shown), Ground::Black);
        const auto sum = [](const RgbaImage& i) {
            return std::accumulate(i.pixels.begin(), i.pixels.end(), uint64_t{0});
        };
        EXPECT_GE(sum(shown), sum(storedPixels));
    }
    std::printf("BMP thumbnails: %d black ground, %d white, %d other\n", grounds[0], grounds[1],
                grounds[2]);
}

}  // namespace
