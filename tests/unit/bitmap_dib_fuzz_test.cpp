// Damaged BMP files: every byte corrupted, every length cut. Each must decode to a consistent
// image or fail with one of the decoder's two texts; nothing else may happen.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Error.h"
#include "bitmap/Dib.h"
#include "bitmap_bmp_builder.h"

namespace {

using namespace bmptest;

std::vector<Bytes> Samples() {
    std::vector<Bytes> samples;
    samples.push_back(Rgb24().Build());
    samples.push_back(Indexed8(16).Build());

    Bmp mono = Indexed8(0);
    mono.bits = 1;
    mono.table = Sequence(8);
    samples.push_back(mono.Build());

    Bmp masks;
    masks.bits = 16;
    masks.compression = 3;
    masks.masks = {0x00, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0};
    masks.pixels = Sequence(8);
    samples.push_back(masks.Build());

    Bmp rle = Indexed8(4);
    rle.compression = 1;
    rle.pixels = {2, 1, 0, 0, 2, 3, 0, 1};
    rle.sizeImage = 8;
    samples.push_back(rle.Build());

    Bmp core;
    core.headerSize = 12;
    core.bits = 4;
    core.table = Sequence(48);
    core.pixels = Sequence(8);
    samples.push_back(core.Build());

    Bmp v5 = Indexed8(3);
    v5.headerSize = 124;
    samples.push_back(v5.Build());
    return samples;
}

// The result must hold together: what BitmapInfo announces is what the image carries.
void ExpectConsistent(const DibImage& image, const std::string& where) {
    EXPECT_GT(image.width, 0) << where;
    EXPECT_NE(image.height, 0) << where;
    EXPECT_LE(image.colors.size(), 1024u) << where;
    EXPECT_EQ(image.colors.size() % 4, 0u) << where;
    EXPECT_TRUE(image.bitfields.empty() || image.bitfields.size() == 12) << where;
    EXPECT_LE(image.pixels.size(), kMaxDibPixelBytes) << where;
    if (image.compression == 0 || image.compression == 3) {
        const uint64_t stride =
            (uint64_t{static_cast<uint32_t>(image.width)} * image.bitCount + 31) / 32 * 4;
        const uint64_t rows = image.height < 0 ? -int64_t{image.height} : image.height;
        EXPECT_EQ(image.pixels.size(), stride * rows) << where;
    }
    const Bytes info = image.BitmapInfo();
    EXPECT_EQ(info.size(), 40 + image.bitfields.size() + image.colors.size()) << where;
    EXPECT_EQ(Get32(info, 20), image.pixels.size()) << where;
    EXPECT_EQ(Get32(info, 32) * 4, image.colors.size()) << where;
}

void ExpectDecodesOrNamedError(const Bytes& file, const std::string& where) {
    try {
        ExpectConsistent(DecodeBmp(file), where);
    } catch (const AppError& e) {
        const std::string text = ErrorText(e);
        EXPECT_TRUE(text == msg::kInvalidBitmap || text == msg::kStreamRead) << where;
    }
}

TEST(DibFuzz, EveryByteCorrupted) {
    const auto samples = Samples();
    for (std::size_t s = 0; s < samples.size(); ++s) {
        ExpectDecodesOrNamedError(samples[s], "sample " + std::to_string(s));
        for (std::size_t at = 0; at < samples[s].size(); ++at) {
            const uint8_t original = samples[s][at];
            for (const int value : {0x00, 0xFF, 0x7F, 0x80, original ^ 0x01, original + 1}) {
                Bytes file = samples[s];
                file[at] = static_cast<uint8_t>(value);
                ExpectDecodesOrNamedError(file, "sample " + std::to_string(s) + " byte " +
                                                    std::to_string(at) + " = " +
                                                    std::to_string(value));
            }
        }
    }
}

TEST(DibFuzz, EveryLengthCut) {
    const auto samples = Samples();
    for (std::size_t s = 0; s < samples.size(); ++s) {
        for (std::size_t length = 0; length <= samples[s].size(); ++length) {
            const Bytes file(samples[s].begin(), samples[s].begin() + length);
            ExpectDecodesOrNamedError(
                file, "sample " + std::to_string(s) + " length " + std::to_string(length));
        }
    }
}

TEST(DibFuzz, CutOnlyInThePixelsStillDecodes) {
    const Bytes whole = Rgb24().Build();
    for (std::size_t length = 54; length <= whole.size(); ++length) {
        const DibImage image = DecodeBmp(Bytes(whole.begin(), whole.begin() + length));
        ASSERT_EQ(image.pixels.size(), 16u);
        for (std::size_t i = 0; i < 16; ++i) {
            EXPECT_EQ(image.pixels[i], 54 + i < length ? whole[54 + i] : 0) << length << " " << i;
        }
    }
}

}  // namespace
