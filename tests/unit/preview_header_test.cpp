// Finding the thumbnail: release codes, the directory, the thumbnail header fields.
#include <gtest/gtest.h>

#include "DrawingBuilder.h"
#include "PreviewTestUtil.h"
#include "preview/Preview.h"

namespace {

PreviewOutcome Read(const std::vector<uint8_t>& file, PreviewInfo& info) {
    return ReadPreviewHeader(file, info);
}

TEST(ReleaseCode, CodesBelow1012AreBelowRangeWithoutReadingFurther) {
    for (const char* code : {"1009", "1011", "0999", "10"}) {
        DrawingBuilder d;
        d.releaseCode = code;
        auto file = d.Build();
        file.resize(6);  // nothing past the code: offset 13 must not be read
        PreviewInfo info;
        EXPECT_EQ(Read(file, info), PreviewOutcome::BelowRange) << code;
        EXPECT_EQ(info.releaseCode, code);
    }
}

TEST(ReleaseCode, CodesFrom1012OnGoOn) {
    for (const char* code : {"1012", "1014", "1015", "1018", "9999", "AB12", "1013"}) {
        DrawingBuilder d;
        d.releaseCode = code;
        PreviewInfo info;
        EXPECT_EQ(Read(d.Build(), info), PreviewOutcome::Ready) << code;
        EXPECT_EQ(info.releaseCode, code);
    }
}

TEST(ReleaseCode, StopsAtTheFirstZeroByte) {
    DrawingBuilder d;
    d.releaseCode = std::string("10\0\0", 4);
    PreviewInfo info;
    EXPECT_EQ(Read(d.Build(), info), PreviewOutcome::BelowRange);
    EXPECT_EQ(info.releaseCode, "10");

    // Bytes above 0x7F sort after the digits (unsigned comparison).
    DrawingBuilder high;
    high.releaseCode = "\xE9" "000";
    EXPECT_EQ(Read(high.Build(), info), PreviewOutcome::Ready);
}

TEST(Directory, OnlyExactlyTwoEntriesHoldABitmap) {
    for (uint8_t count : {0, 1, 3, 255}) {
        DrawingBuilder d;
        d.entryCount = count;
        PreviewInfo info;
        EXPECT_EQ(Read(d.Build(), info), PreviewOutcome::NoBitmap) << int(count);
    }
}

TEST(Directory, SecondEntryGivesStartAndLength) {
    DrawingBuilder d;
    d.width = 180;
    d.height = -120;
    d.thumbnailOffset = 0x321;
    d.overrideLength = true;
    d.length = 77;
    PreviewInfo info;
    ASSERT_EQ(Read(d.Build(), info), PreviewOutcome::Ready);
    EXPECT_EQ(info.bitmapStart, 0x321u);
    EXPECT_EQ(info.bitmapLength, 77u);
    EXPECT_EQ(info.width, 180);
    EXPECT_EQ(info.height, -120);
    EXPECT_EQ(info.kind, ImageKind::Bmp);
}

TEST(ColorTable, EntryCountAndPixelOffset) {
    struct Case {
        uint16_t bits;
        uint32_t used;
        uint32_t entries;
        uint32_t offset;
    };
    for (const Case c : {Case{8, 0, 256, 1078}, Case{24, 0, 0, 54}, Case{32, 0, 0, 54},
                         Case{16, 0, 0, 54}, Case{4, 0, 16, 118}, Case{1, 0, 2, 62},
                         Case{0, 0, 1, 58}, Case{8, 20, 20, 134}, Case{24, 20, 20, 134}}) {
        DrawingBuilder d;
        d.bitCount = c.bits;
        d.colorsUsed = c.used;
        PreviewInfo info;
        ASSERT_EQ(Read(d.Build(), info), PreviewOutcome::Ready);
        EXPECT_EQ(info.colorCount, c.entries) << c.bits << "/" << c.used;
        EXPECT_EQ(info.pixelOffset, c.offset) << c.bits << "/" << c.used;
    }
}

TEST(ColorTable, HugeColorsUsedCountFailsInsteadOfWrapping) {
    DrawingBuilder d;
    d.colorsUsed = 0x40000000;  // 54 + 4 * N needs 33 bits
    PreviewInfo info;
    ExpectAppError([&] { Read(d.Build(), info); }, msg::kInvalidBitmap);
    d.colorsUsed = 0x3FFFFFF0;  // still fits
    EXPECT_EQ(Read(d.Build(), info), PreviewOutcome::Ready);
    EXPECT_EQ(info.pixelOffset, 54u + 4u * 0x3FFFFFF0u);
}

TEST(Truncation, ShortFilesFailWithTheStreamReadError) {
    for (std::size_t size : {0, 1, 5}) {
        std::vector<uint8_t> file(size, '1');
        PreviewInfo info;
        ExpectAppError([&] { Read(file, info); }, msg::kStreamRead);
    }
}

TEST(Truncation, PointersPastTheEndFail) {
    DrawingBuilder d;
    d.directoryOffset = 0x40;
    auto file = d.Build();
    DrawingBuilder::Set32(file, 13, static_cast<uint32_t>(file.size()));  // directory past end
    PreviewInfo info;
    ExpectAppError([&] { Read(file, info); }, msg::kStreamRead);

    file = d.Build();
    DrawingBuilder::Set32(file, d.directoryOffset + 31, 0xFFFFFFF0u);  // S + 4 wraps 32 bits
    ExpectAppError([&] { Read(file, info); }, msg::kStreamRead);

    file = d.Build();
    DrawingBuilder::Set32(file, 13, 0x80000000u);  // offsets of 2^31 and more are past the end
    ExpectAppError([&] { Read(file, info); }, msg::kStreamRead);
}

TEST(Truncation, NoBitmapDecisionNeedsOnlyTheCountByte) {
    DrawingBuilder d;
    d.entryCount = 3;
    auto file = d.Build();
    file.resize(d.directoryOffset + 21);
    PreviewInfo info;
    EXPECT_EQ(Read(file, info), PreviewOutcome::NoBitmap);
    file.resize(d.directoryOffset + 20);
    ExpectAppError([&] { Read(file, info); }, msg::kStreamRead);
}

TEST(Png, SizeComesFromTheIhdrChunk) {
    DrawingBuilder d;
    d.releaseCode = "1027";
    d.rawThumbnail = MakePngHeader(670, 448);
    PreviewInfo info;
    ASSERT_EQ(Read(d.Build(), info), PreviewOutcome::Ready);
    EXPECT_EQ(info.kind, ImageKind::Png);
    EXPECT_EQ(info.width, 670);
    EXPECT_EQ(info.height, 448);
    EXPECT_EQ(info.bitmapLength, d.rawThumbnail.size());
}

TEST(Png, TruncatedIhdrFails) {
    DrawingBuilder d;
    d.rawThumbnail = MakePngHeader(10, 10);
    d.rawThumbnail.resize(20);
    PreviewInfo info;
    ExpectAppError([&] { Read(d.Build(), info); }, msg::kStreamRead);
}

}  // namespace
