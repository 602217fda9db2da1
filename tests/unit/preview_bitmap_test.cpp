// Rebuilding the BMP file: header, copied bytes, black and white exchange, size checks.
#include <gtest/gtest.h>

#include "DrawingBuilder.h"
#include "PreviewTestUtil.h"
#include "preview/Preview.h"

namespace {

std::vector<uint8_t> Rebuild(const std::vector<uint8_t>& file) {
    PreviewInfo info;
    EXPECT_EQ(ReadPreviewHeader(file, info), PreviewOutcome::Ready);
    return BuildBitmapStream(file, info);
}

DrawingBuilder EightBit(std::vector<uint32_t> colors) {
    DrawingBuilder d;
    d.bitCount = 8;
    d.colorTable = std::move(colors);
    d.colorTable.resize(256, 0x00123456);
    d.pixels = {0, 1, 2, 3, 4, 5, 6, 7};
    return d;
}

TEST(BitmapStream, FileHeaderWrapsTheThumbnail) {
    const DrawingBuilder d = EightBit({});
    const auto file = d.Build();
    const auto image = Rebuild(file);
    const auto thumb = d.Thumbnail();
    ASSERT_EQ(image.size(), thumb.size() + 14);
    EXPECT_EQ(image[0], 'B');
    EXPECT_EQ(image[1], 'M');
    EXPECT_EQ(Le32(image, 2), thumb.size() + 14);
    EXPECT_EQ(Le32(image, 6), 0u);
    EXPECT_EQ(Le32(image, 10), 1078u);
    // Header and pixels are copied unchanged (the table only loses its 0x00123456 nothing).
    EXPECT_TRUE(std::equal(thumb.begin(), thumb.end(), image.begin() + 14));
}

TEST(BitmapStream, BlackAndWhiteAreExchangedOnce) {
    const auto image = Rebuild(EightBit({0x000000, 0xFFFFFF, 0xFF0000, 0xFFFFFF}).Build());
    EXPECT_EQ(Le32(image, 54), 0x00FFFFFFu);
    EXPECT_EQ(Le32(image, 58), 0x00000000u);
    EXPECT_EQ(Le32(image, 62), 0x00FF0000u);
    EXPECT_EQ(Le32(image, 66), 0x00000000u);
    EXPECT_EQ(Le32(image, 70), 0x00123456u);
}

TEST(BitmapStream, EntriesWithAReservedByteAreLeftAlone) {
    const auto image = Rebuild(EightBit({0x01FFFFFF, 0x01000000}).Build());
    EXPECT_EQ(Le32(image, 54), 0x01FFFFFFu);
    EXPECT_EQ(Le32(image, 58), 0x01000000u);
}

TEST(BitmapStream, OnlyTheAnnouncedEntriesAreTouched) {
    DrawingBuilder d = EightBit({0x000000, 0xFFFFFF, 0x000000});
    d.colorsUsed = 2;
    d.colorTable.resize(2);
    d.pixels = {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0};  // would be entry 2 if misread
    const auto image = Rebuild(d.Build());
    EXPECT_EQ(Le32(image, 54), 0x00FFFFFFu);
    EXPECT_EQ(Le32(image, 58), 0x00000000u);
    EXPECT_EQ(Le32(image, 62), 0u);
    EXPECT_EQ(Le32(image, 66), 0x00FFFFFFu);
}

TEST(BitmapStream, TrueColourPixelsAreUnchanged) {
    DrawingBuilder d;
    d.bitCount = 24;
    d.width = 2;
    d.height = 2;
    d.pixels = {0, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0};
    const auto image = Rebuild(d.Build());
    EXPECT_EQ(Le32(image, 10), 54u);
    EXPECT_TRUE(std::equal(d.pixels.begin(), d.pixels.end(), image.begin() + 54));
}

TEST(BitmapStream, HeaderOnlyThumbnailTouchesNoEntry) {
    DrawingBuilder d;
    d.bitCount = 8;  // announces 256 entries, none present
    const auto image = Rebuild(d.Build());
    EXPECT_EQ(image.size(), 54u);
    EXPECT_EQ(Le32(image, 10), 1078u);
}

TEST(BitmapStream, LengthZeroTakesTheWholeDrawing) {
    DrawingBuilder d = EightBit({});
    d.overrideLength = true;
    d.length = 0;
    const auto file = d.Build();
    const auto image = Rebuild(file);
    ASSERT_EQ(image.size(), file.size() + 14);
    EXPECT_EQ(Le32(image, 2), 14u);
    // The exchange reads N from drawing bytes 14 and 32 (image 28 and 46): here 0 and the
    // low half of the directory offset, so entries start at drawing byte 40.
    std::vector<uint8_t> expected = file;
    EXPECT_TRUE(std::equal(expected.begin(), expected.begin() + 40, image.begin() + 14));
}

TEST(BitmapStream, LengthBeyondTheFileFails) {
    DrawingBuilder d = EightBit({});
    d.overrideLength = true;
    d.length = static_cast<uint32_t>(d.Thumbnail().size() + 1);
    const auto file = d.Build();
    PreviewInfo info;
    ASSERT_EQ(ReadPreviewHeader(file, info), PreviewOutcome::Ready);
    ExpectAppError([&] { BuildBitmapStream(file, info); }, msg::kStreamRead);
}

TEST(BitmapStream, LengthOf2GiBOrMoreIsARangeError) {
    DrawingBuilder d = EightBit({});
    d.overrideLength = true;
    for (uint32_t length : {0x80000000u, 0xFFFFFFFFu}) {
        d.length = length;
        const auto file = d.Build();
        PreviewInfo info;
        ASSERT_EQ(ReadPreviewHeader(file, info), PreviewOutcome::Ready);
        ExpectAppError([&] { BuildBitmapStream(file, info); }, msg::kRangeCheck);
    }
}

TEST(BitmapStream, PngThumbnailIsHandedOnUnchanged) {
    DrawingBuilder d;
    d.releaseCode = "1027";
    d.rawThumbnail = MakePngHeader(3, 2);
    const auto image = Rebuild(d.Build());
    EXPECT_EQ(image, d.rawThumbnail);
}

}  // namespace
