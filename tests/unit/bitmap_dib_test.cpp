// The BMP decoder: layouts, refusals and cut files.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>

#include "Error.h"
#include "bitmap/Dib.h"
#include "bitmap_bmp_builder.h"

namespace {

using namespace bmptest;

std::string ErrorOf(const Bytes& file) {
    try {
        DecodeBmp(file);
    } catch (const AppError& e) {
        return ErrorText(e);
    }
    return "no error";
}

const std::string kInvalid = msg::kInvalidBitmap;
const std::string kShort = msg::kStreamRead;

TEST(Dib, Rgb24HasNoColourTable) {
    const DibImage image = DecodeBmp(Rgb24().Build());
    EXPECT_EQ(image.width, 2);
    EXPECT_EQ(image.height, 2);
    EXPECT_EQ(image.bitCount, 24);
    EXPECT_EQ(image.compression, 0u);
    EXPECT_TRUE(image.colors.empty());
    EXPECT_TRUE(image.bitfields.empty());
    EXPECT_EQ(image.pixels, Sequence(16));
}

TEST(Dib, BitmapInfoIsAPlainInfoHeaderThenTable) {
    Bmp bmp = Indexed8(2);
    bmp.height = -2;
    const Bytes info = DecodeBmp(bmp.Build()).BitmapInfo();
    ASSERT_EQ(info.size(), 40u + 8u);
    EXPECT_EQ(Get32(info, 0), 40u);
    EXPECT_EQ(Get32(info, 4), 2u);
    EXPECT_EQ(static_cast<int32_t>(Get32(info, 8)), -2);
    EXPECT_EQ(info[12] | info[13] << 8, 1);
    EXPECT_EQ(info[14] | info[15] << 8, 8);
    EXPECT_EQ(Get32(info, 16), 0u);
    EXPECT_EQ(Get32(info, 20), 8u);  // the rows' size
    EXPECT_EQ(Get32(info, 24), 0u);
    EXPECT_EQ(Get32(info, 28), 0u);
    EXPECT_EQ(Get32(info, 32), 2u);
    EXPECT_EQ(Get32(info, 36), 0u);
    EXPECT_EQ(Bytes(info.begin() + 40, info.end()), Sequence(8, 7));
}

TEST(Dib, ColourTableSizeFollowsCountOrDepth) {
    const DibImage full = DecodeBmp(Indexed8().Build());
    EXPECT_EQ(full.colors, Sequence(1024, 7));
    EXPECT_EQ(full.pixels, (Bytes{1, 2, 0, 0, 3, 4, 0, 0}));

    Bmp one = Indexed8();
    one.bits = 1;
    one.table = Sequence(8);
    one.pixels = {0x80, 0, 0, 0, 0x40, 0, 0, 0};
    const DibImage mono = DecodeBmp(one.Build());
    EXPECT_EQ(mono.colors, Sequence(8));
    EXPECT_EQ(mono.pixels, one.pixels);

    Bmp four = one;
    four.bits = 4;
    four.table = Sequence(64);
    EXPECT_EQ(DecodeBmp(four.Build()).colors, Sequence(64));

    // A count of 20 holds whatever the depth, a 24-bit image included.
    Bmp rgbWithTable = Rgb24();
    rgbWithTable.colorsUsed = 20;
    rgbWithTable.table = Sequence(80, 100);
    const DibImage rgb = DecodeBmp(rgbWithTable.Build());
    EXPECT_EQ(rgb.colors, Sequence(80, 100));
    EXPECT_EQ(rgb.pixels, Sequence(16));
}

TEST(Dib, MoreThan256ColoursAreSkippedButNotKept) {
    const DibImage image = DecodeBmp(Indexed8(300).Build());
    EXPECT_EQ(image.colors, Sequence(1024, 7));
    EXPECT_EQ(image.pixels, (Bytes{1, 2, 0, 0, 3, 4, 0, 0}));
    EXPECT_EQ(Get32(image.BitmapInfo(), 32), 256u);
}

TEST(Dib, RowsFollowTheColourTableWhateverTheFileHeaderSays) {
    for (const uint32_t offset : {1u, 54u, 999u, 0xFFFFFFFFu}) {
        Bmp bmp = Indexed8(2);
        bmp.pixelOffset = offset;
        EXPECT_EQ(DecodeBmp(bmp.Build()).pixels, (Bytes{1, 2, 0, 0, 3, 4, 0, 0})) << offset;
    }
}

TEST(Dib, ShortPixelDataIsZeroFilled) {
    Bmp bmp = Rgb24();
    bmp.pixels = {9, 8, 7};
    EXPECT_EQ(DecodeBmp(bmp.Build()).pixels,
              (Bytes{9, 8, 7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    bmp.pixels.clear();
    EXPECT_EQ(DecodeBmp(bmp.Build()).pixels, Bytes(16, 0));
    // Extra bytes after the rows are not part of the image.
    bmp.pixels = Sequence(40);
    bmp.height = -2;
    EXPECT_EQ(DecodeBmp(bmp.Build()).pixels, Sequence(16));
}

TEST(Dib, CoreHeaderTriplesBecomeQuads) {
    Bmp bmp;
    bmp.headerSize = 12;
    bmp.bits = 1;
    bmp.table = {1, 2, 3, 4, 5, 6};
    bmp.pixels = {0xC0, 0, 0, 0, 0x40, 0, 0, 0};
    const DibImage image = DecodeBmp(bmp.Build());
    EXPECT_EQ(image.colors, (Bytes{1, 2, 3, 0, 4, 5, 6, 0}));
    EXPECT_EQ(image.pixels, bmp.pixels);
    EXPECT_EQ(image.BitmapInfo().size(), 48u);

    Bmp rgb = Rgb24();
    rgb.headerSize = 12;
    rgb.width = 40000;  // 16-bit and unsigned in the core header
    rgb.height = 1;
    const DibImage wide = DecodeBmp(rgb.Build());
    EXPECT_EQ(wide.width, 40000);
    EXPECT_EQ(wide.pixels.size(), 120000u);
    EXPECT_EQ(Bytes(wide.pixels.begin(), wide.pixels.begin() + 16), Sequence(16));
}

TEST(Dib, BitfieldMasksAfterInfoHeaderOrInsideV4) {
    Bmp bmp;
    bmp.bits = 16;
    bmp.compression = 3;
    bmp.masks = {0x00, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0};
    bmp.pixels = Sequence(8);
    const DibImage image = DecodeBmp(bmp.Build());
    EXPECT_EQ(image.bitfields, bmp.masks);
    EXPECT_EQ(image.pixels, Sequence(8));
    const Bytes info = image.BitmapInfo();
    EXPECT_EQ(Bytes(info.begin() + 40, info.end()), bmp.masks);

    bmp.headerSize = 108;
    bmp.bits = 32;
    bmp.pixels = Sequence(16);
    const DibImage v4 = DecodeBmp(bmp.Build());
    EXPECT_EQ(v4.bitfields, bmp.masks);
    EXPECT_EQ(v4.pixels, Sequence(16));
    EXPECT_EQ(v4.BitmapInfo().size(), 52u);
}

TEST(Dib, V5HeaderTableFollowsTheWholeHeader) {
    Bmp bmp = Indexed8(2);
    bmp.headerSize = 124;
    const DibImage image = DecodeBmp(bmp.Build());
    EXPECT_EQ(image.colors, Sequence(8, 7));
    EXPECT_EQ(image.pixels, (Bytes{1, 2, 0, 0, 3, 4, 0, 0}));
    EXPECT_EQ(image.BitmapInfo().size(), 48u);
}

TEST(Dib, RunLengthDataIsKeptAsPresent) {
    Bmp bmp = Indexed8(2);
    bmp.compression = 1;
    bmp.pixels = {2, 1, 0, 0, 2, 1, 0, 1};
    bmp.sizeImage = 8;
    DibImage image = DecodeBmp(bmp.Build());
    EXPECT_EQ(image.pixels, bmp.pixels);
    EXPECT_EQ(Get32(image.BitmapInfo(), 20), 8u);
    EXPECT_EQ(Get32(image.BitmapInfo(), 16), 1u);

    bmp.sizeImage = 100;  // more announced than present
    EXPECT_EQ(DecodeBmp(bmp.Build()).pixels, bmp.pixels);
    bmp.sizeImage = 4;  // less announced: trailing bytes are not the image's
    EXPECT_EQ(DecodeBmp(bmp.Build()).pixels, (Bytes{2, 1, 0, 0}));
    bmp.sizeImage = 0;  // none announced: everything after the table
    EXPECT_EQ(DecodeBmp(bmp.Build()).pixels, bmp.pixels);

    Bmp rle4 = bmp;
    rle4.bits = 4;
    rle4.compression = 2;
    EXPECT_EQ(DecodeBmp(rle4.Build()).compression, 2u);
}

TEST(Dib, InvalidHeadersAreRefused) {
    Bytes notBm = Rgb24().Build();
    notBm[1] = 'A';
    EXPECT_EQ(ErrorOf(notBm), kInvalid);

    auto refused = [](auto change) {
        Bmp bmp = Rgb24();
        change(bmp);
        return ErrorOf(bmp.Build());
    };
    EXPECT_EQ(refused([](Bmp& b) { b.planes = 2; }), kInvalid);
    EXPECT_EQ(refused([](Bmp& b) { b.planes = 0; }), kInvalid);
    for (const uint32_t size : {0u, 16u, 41u, 56u, 64u, 0xFFFFFFFFu}) {
        EXPECT_EQ(refused([size](Bmp& b) { b.headerSize = size; }), kInvalid) << size;
    }
    for (const uint16_t bits : {0, 2, 15, 48, 64}) {
        EXPECT_EQ(refused([bits](Bmp& b) { b.bits = bits; }), kInvalid) << bits;
    }
    EXPECT_EQ(refused([](Bmp& b) { b.compression = 1; }), kInvalid);  // RLE8 at 24 bits
    EXPECT_EQ(refused([](Bmp& b) {
                  b.compression = 2;
                  b.bits = 8;
              }),
              kInvalid);
    EXPECT_EQ(refused([](Bmp& b) { b.compression = 3; }), kInvalid);  // masks at 24 bits
    EXPECT_EQ(refused([](Bmp& b) { b.compression = 4; }), kInvalid);
    EXPECT_EQ(refused([](Bmp& b) {
                  b.compression = 1;
                  b.bits = 8;
                  b.height = -2;
              }),
              kInvalid);
    EXPECT_EQ(refused([](Bmp& b) { b.width = 0; }), kInvalid);
    EXPECT_EQ(refused([](Bmp& b) { b.width = -2; }), kInvalid);
    EXPECT_EQ(refused([](Bmp& b) { b.height = 0; }), kInvalid);
    EXPECT_EQ(refused([](Bmp& b) {
                  b.headerSize = 12;
                  b.width = 0;
              }),
              kInvalid);
    EXPECT_EQ(refused([](Bmp& b) {
                  b.headerSize = 12;
                  b.planes = 2;
              }),
              kInvalid);
}

TEST(Dib, OversizedImagesAreRefusedWithoutOverflow) {
    auto refused = [](int32_t width, int32_t height, uint16_t bits) {
        Bmp bmp = Rgb24();
        bmp.width = width;
        bmp.height = height;
        bmp.bits = bits;
        return ErrorOf(bmp.Build());
    };
    EXPECT_EQ(refused(0x7FFFFFFF, 0x7FFFFFFF, 32), kInvalid);
    EXPECT_EQ(refused(0x7FFFFFFF, INT32_MIN, 32), kInvalid);
    EXPECT_EQ(refused(1, INT32_MIN, 1), kInvalid);
    EXPECT_EQ(refused(0x7FFFFFFF, 1, 1), kInvalid);     // 256 MB of rows once accepted
    EXPECT_EQ(refused(2048 * 2048, 1, 1), "no error");  // the pixel cap exactly
    EXPECT_EQ(refused(2048, -2048, 32), "no error");
    EXPECT_EQ(refused(2048, 2049, 1), kInvalid);  // one row over, however few bits a pixel
    EXPECT_EQ(refused(8192, 8193, 32), kInvalid);
    Bmp rle = Indexed8(2);
    rle.compression = 1;
    rle.width = 65536;
    rle.height = 4097;
    EXPECT_EQ(ErrorOf(rle.Build()), kInvalid);  // the decoded size counts for run-length too
}

// Found by fuzzing: 60 bytes announcing 2^31 one-bit pixels got 256 MB of zero-filled rows.
// Within the cap, the most a header alone can demand is 16 MiB, whatever the depth.
TEST(Dib, TinyFileCannotDemandMoreThanTheCap) {
    for (const auto& [width, height, bits] :
         {std::tuple{1, 2048 * 2048, 1}, {2048, 2048, 32}, {2048 * 2048, 1, 24}}) {
        Bmp bmp;
        bmp.width = width;
        bmp.height = height;
        bmp.bits = static_cast<uint16_t>(bits);
        bmp.colorsUsed = 1;
        bmp.table = {1, 2, 3, 0};
        const Bytes file = bmp.Build();
        ASSERT_LT(file.size(), 64u);
        const DibImage image = DecodeBmp(file);
        EXPECT_LE(image.pixels.size(), kMaxDibPixelBytes) << width << "x" << height;
        EXPECT_GE(image.pixels.size(), kMaxDibPixelBytes * 3 / 4) << width << "x" << height;
    }
}

TEST(Dib, CutHeadersAndTablesAreStreamReadErrors) {
    const Bytes whole = Indexed8().Build();
    for (const std::size_t length : {0u, 1u, 2u, 13u, 14u, 17u, 18u, 30u, 53u, 54u, 100u, 1077u}) {
        EXPECT_EQ(ErrorOf(Bytes(whole.begin(), whole.begin() + length)), kShort) << length;
    }
    EXPECT_EQ(ErrorOf(Bytes(whole.begin(), whole.begin() + 1078)), "no error");

    Bmp core;
    core.headerSize = 12;
    core.bits = 8;
    core.table = Sequence(3 * 256);
    const Bytes coreFile = core.Build();
    EXPECT_EQ(ErrorOf(Bytes(coreFile.begin(), coreFile.begin() + 20)), kShort);
    EXPECT_EQ(ErrorOf(Bytes(coreFile.begin(), coreFile.end() - 1)), kShort);

    Bmp masks;
    masks.bits = 32;
    masks.compression = 3;
    masks.masks = Bytes(12, 0xFF);
    const Bytes maskFile = masks.Build();
    EXPECT_EQ(ErrorOf(Bytes(maskFile.begin(), maskFile.begin() + 60)), kShort);

    Bmp v5 = Rgb24();
    v5.headerSize = 124;
    const Bytes v5File = v5.Build();
    EXPECT_EQ(ErrorOf(Bytes(v5File.begin(), v5File.begin() + 14 + 100)), kShort);

    // A huge colours-used count is a table cut short, not an allocation.
    Bmp huge = Indexed8(2);
    huge.colorsUsed = 0xFFFFFFFF;
    EXPECT_EQ(ErrorOf(huge.Build()), kShort);
}

}  // namespace
