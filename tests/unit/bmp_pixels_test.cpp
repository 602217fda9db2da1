// BMP files to the pixels the viewer shows, for the Linux thumbnailer.
#include <gtest/gtest.h>

#include "image/DibToRgba.h"
#include "Error.h"
#include "bitmap/Dib.h"
#include "bitmap_bmp_builder.h"

namespace {

using bmptest::Bmp;
using bmptest::Bytes;

std::vector<uint8_t> Rgb(const RgbaImage& image, int x, int y) {
    const auto at = image.pixels.begin() + (y * image.width + x) * 4;
    EXPECT_EQ(at[3], 255);
    return {at, at + 3};
}

using V = std::vector<uint8_t>;

TEST(BmpPixels, BottomUpRowsAreTurnedAndTopDownKept) {
    Bmp bmp;                                         // 2x2, 24 bits: blue, green, red
    bmp.pixels = {0,   0, 255, 0,   255, 0,   0, 0,  // stored first: the bottom row
                  255, 0, 0,   255, 255, 255, 0, 0};
    const RgbaImage up = BmpToRgba(bmp.Build());
    EXPECT_EQ(Rgb(up, 0, 1), (V{255, 0, 0}));
    EXPECT_EQ(Rgb(up, 1, 1), (V{0, 255, 0}));
    EXPECT_EQ(Rgb(up, 0, 0), (V{0, 0, 255}));
    bmp.height = -2;
    const RgbaImage down = BmpToRgba(bmp.Build());
    EXPECT_EQ(Rgb(down, 0, 0), (V{255, 0, 0}));
    EXPECT_EQ(Rgb(down, 1, 1), (V{255, 255, 255}));
}

TEST(BmpPixels, PaletteIndicesOfEveryDepthAndPastTheTableIsBlack) {
    Bmp bmp;
    bmp.width = 3;
    bmp.height = 1;
    bmp.bits = 4;
    bmp.colorsUsed = 2;
    bmp.table = {10, 20, 30, 0, 40, 50, 60, 0};
    bmp.pixels = {0x10, 0x70, 0, 0};  // indices 1, 0, 7 (past the table)
    const RgbaImage image = BmpToRgba(bmp.Build());
    EXPECT_EQ(Rgb(image, 0, 0), (V{60, 50, 40}));
    EXPECT_EQ(Rgb(image, 1, 0), (V{30, 20, 10}));
    EXPECT_EQ(Rgb(image, 2, 0), (V{0, 0, 0}));
}

TEST(BmpPixels, SixteenBitsAndMasks) {
    Bmp bmp;
    bmp.width = 2;
    bmp.height = 1;
    bmp.bits = 16;
    bmp.pixels = {0x00, 0x7C, 0x1F, 0x00};  // 5-5-5: pure red, pure blue
    RgbaImage image = BmpToRgba(bmp.Build());
    EXPECT_EQ(Rgb(image, 0, 0), (V{255, 0, 0}));
    EXPECT_EQ(Rgb(image, 1, 0), (V{0, 0, 255}));
    bmp.compression = 3;  // 5-6-5 masks: green's six bits
    bmp.masks = {0x00, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0};
    bmp.pixels = {0xE0, 0x07, 0x00, 0x04};  // full green, half green (32 of 63)
    image = BmpToRgba(bmp.Build());
    EXPECT_EQ(Rgb(image, 0, 0), (V{0, 255, 0}));
    EXPECT_EQ(Rgb(image, 1, 0), (V{0, 130, 0}));
}

TEST(BmpPixels, ThirtyTwoBitsIgnoreTheFourthByte) {
    Bmp bmp;
    bmp.width = 1;
    bmp.height = 1;
    bmp.bits = 32;
    bmp.pixels = {1, 2, 3, 0};  // a zero fourth byte is not transparency on screen
    EXPECT_EQ(Rgb(BmpToRgba(bmp.Build()), 0, 0), (V{3, 2, 1}));
}

TEST(BmpPixels, RunLengthRunsLiteralsDeltaAndEnd) {
    Bmp bmp;
    bmp.width = 4;
    bmp.height = 2;
    bmp.bits = 8;
    bmp.compression = 1;
    bmp.colorsUsed = 3;
    bmp.table = {0, 0, 0, 0, 255, 255, 255, 0, 0, 0, 255, 0};
    bmp.pixels = {2, 1,              // two of index 1 (bottom row)
                  0, 3, 2, 1, 2, 0,  // literal 2, 1, 2 padded to 16 bits: clipped at width
                  0, 0,              // end of row
                  0, 2, 3, 0,        // move 3 right
                  1, 2,              // one of index 2 at x 3 of the top row
                  0, 1};
    const RgbaImage image = BmpToRgba(bmp.Build());
    EXPECT_EQ(Rgb(image, 0, 1), (V{255, 255, 255}));
    EXPECT_EQ(Rgb(image, 2, 1), (V{255, 0, 0}));
    EXPECT_EQ(Rgb(image, 3, 1), (V{255, 255, 255}));
    EXPECT_EQ(Rgb(image, 0, 0), (V{0, 0, 0}));  // skipped
    EXPECT_EQ(Rgb(image, 3, 0), (V{255, 0, 0}));
}

// A 1x1 run-length image whose moves right add up to 2^32 - 1 columns before a run of index 5:
// a column counter that wraps lands the run before the row.
Bytes ColumnPastTwoToThe32() {
    Bmp bmp;
    bmp.width = 1;
    bmp.height = 1;
    bmp.bits = 8;
    bmp.compression = 1;
    bmp.colorsUsed = 6;
    bmp.table = bmptest::Sequence(24, 7);
    constexpr uint32_t kMoves = 16843009;  // 255 columns each
    bmp.pixels.reserve(std::size_t{kMoves} * 4 + 4);
    for (uint32_t i = 0; i < kMoves; ++i) bmp.pixels.insert(bmp.pixels.end(), {0, 2, 255, 0});
    bmp.pixels.insert(bmp.pixels.end(), {1, 5, 0, 1});
    return bmp.Build();
}

TEST(BmpPixels, RunLengthMovesPastTheEdgeDrawNothingMore) {
    const Bytes file = ColumnPastTwoToThe32();
    const RgbaImage image = BmpToRgba(file);
    ASSERT_EQ(image.pixels.size(), 4u);
    EXPECT_EQ(Rgb(image, 0, 0), (V{0, 0, 0}));  // left out: the run lies right of the row
    // The viewer's copy of the compressed rows stops at the cap too.
    EXPECT_EQ(DecodeBmp(file).pixels.size(), kMaxDibPixelBytes);
}

TEST(BmpPixels, DamagedFilesRaiseTheSystemsErrorsAndNeverCrash) {
    Bmp bmp;
    bmp.bits = 8;
    bmp.colorsUsed = 2;
    bmp.table = {0, 0, 0, 0, 255, 255, 255, 0};
    bmp.pixels = {0, 1, 0, 0, 1, 0, 0, 0};
    const Bytes whole = bmp.Build();
    for (std::size_t n = 0; n < whole.size(); ++n) {
        const Bytes cut(whole.begin(), whole.begin() + n);
        try {
            const RgbaImage image = BmpToRgba(cut);
            EXPECT_EQ(image.pixels.size(), 2u * 2u * 4u) << n;
        } catch (const AppError&) {
        }
    }
    Bmp huge;
    huge.width = 100000;
    huge.height = 100000;
    huge.bits = 1;  // 1.25 GB of rows would be refused by the parser; RGBA even sooner
    EXPECT_THROW(BmpToRgba(huge.Build()), AppError);
}

}  // namespace
