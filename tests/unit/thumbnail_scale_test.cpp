// Fitting and area-averaged downscaling of the Linux thumbnailer.
#include <gtest/gtest.h>

#include <random>

#include "image/AreaScale.h"

namespace {

RgbaImage Filled(int w, int h, std::initializer_list<uint8_t> rgba) {
    RgbaImage image{w, h, {}};
    for (int i = 0; i < w * h; ++i) image.pixels.insert(image.pixels.end(), rgba);
    return image;
}

void SetPixel(RgbaImage& image, int x, int y, std::initializer_list<uint8_t> rgba) {
    std::copy(rgba.begin(), rgba.end(), image.pixels.begin() + (y * image.width + x) * 4);
}

std::vector<uint8_t> Pixel(const RgbaImage& image, int x, int y) {
    const auto at = image.pixels.begin() + (y * image.width + x) * 4;
    return {at, at + 4};
}

TEST(ThumbnailFit, LongerSideBecomesTheLimitAndAspectIsKept) {
    EXPECT_EQ(FitWithin(672, 448, 128), (Size2{128, 85}));   // 85.33
    EXPECT_EQ(FitWithin(184, 126, 128), (Size2{128, 88}));   // 87.65 rounds up
    EXPECT_EQ(FitWithin(448, 672, 256), (Size2{171, 256}));  // tall: 170.67
    EXPECT_EQ(FitWithin(648, 512, 512), (Size2{512, 405}));  // 404.5 rounds half up
}

TEST(ThumbnailFit, NeverEnlargesAndKeepsOnePixel) {
    EXPECT_EQ(FitWithin(184, 126, 256), (Size2{184, 126}));
    EXPECT_EQ(FitWithin(256, 10, 256), (Size2{256, 10}));
    EXPECT_EQ(FitWithin(4000, 1, 128), (Size2{128, 1}));
    EXPECT_EQ(FitWithin(0, 5, 128), (Size2{}));
}

TEST(AreaAverage, HalvingAveragesEachTwoByTwoBlock) {
    RgbaImage source = Filled(4, 2, {0, 0, 0, 255});
    SetPixel(source, 0, 0, {255, 255, 255, 255});  // one white of four: 63.75 -> 64
    SetPixel(source, 2, 0, {200, 100, 0, 255});
    SetPixel(source, 3, 1, {0, 100, 200, 255});
    const RgbaImage out = ScaleByAreaAverage(source, {2, 1});
    EXPECT_EQ(Pixel(out, 0, 0), (std::vector<uint8_t>{64, 64, 64, 255}));
    EXPECT_EQ(Pixel(out, 1, 0), (std::vector<uint8_t>{50, 50, 50, 255}));
}

TEST(AreaAverage, PartlyCoveredPixelsCountByTheirShare) {
    // Three columns into two: output 0 covers column 0 and half of column 1.
    RgbaImage source = Filled(3, 1, {0, 0, 0, 255});
    SetPixel(source, 0, 0, {90, 0, 0, 255});
    SetPixel(source, 1, 0, {0, 90, 0, 255});
    SetPixel(source, 2, 0, {0, 0, 90, 255});
    const RgbaImage out = ScaleByAreaAverage(source, {2, 1});
    EXPECT_EQ(Pixel(out, 0, 0), (std::vector<uint8_t>{60, 30, 0, 255}));
    EXPECT_EQ(Pixel(out, 1, 0), (std::vector<uint8_t>{0, 30, 60, 255}));
}

TEST(AreaAverage, OnePixelLineFadesEvenlyInsteadOfVanishing) {
    // A vertical line in every third column of 9, scaled to 4: nearest-neighbour sampling
    // would keep some lines whole and drop others; every output column must get some.
    RgbaImage source = Filled(9, 3, {255, 255, 255, 255});
    for (int y = 0; y < 3; ++y) {
        for (int x = 1; x < 9; x += 3) SetPixel(source, x, y, {0, 0, 0, 255});
    }
    const RgbaImage out = ScaleByAreaAverage(source, {4, 1});
    for (int x = 0; x < 4; ++x) {
        const uint8_t grey = Pixel(out, x, 0)[0];
        EXPECT_GT(grey, 100) << x;
        EXPECT_LT(grey, 240) << x;
    }
}

TEST(AreaAverage, TransparentPixelsDoNotDarkenColours) {
    RgbaImage source = Filled(2, 1, {0, 0, 0, 0});
    SetPixel(source, 1, 0, {200, 100, 50, 255});
    const RgbaImage out = ScaleByAreaAverage(source, {1, 1});
    EXPECT_EQ(Pixel(out, 0, 0), (std::vector<uint8_t>{200, 100, 50, 128}));
}

TEST(AreaAverage, UniformImageStaysUniformAtAwkwardRatios) {
    const RgbaImage source = Filled(672, 448, {33, 40, 48, 255});
    const RgbaImage out = ScaleByAreaAverage(source, FitWithin(672, 448, 97));
    ASSERT_EQ(out.pixels.size(), std::size_t(97 * 65 * 4));
    for (std::size_t i = 0; i < out.pixels.size(); i += 4) {
        ASSERT_EQ(Pixel(out, int(i / 4 % 97), int(i / 4 / 97)),
                  (std::vector<uint8_t>{33, 40, 48, 255}));
    }
}

TEST(AreaAverage, EveryBlockOfManyRowsInTheImagesOwnBuffer) {
    // 2x2 blocks of distinct greys: an output pixel written over a source pixel a later one
    // still reads would show in the later pixel.
    RgbaImage source = Filled(6, 4, {0, 0, 0, 255});
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 6; ++x) {
            const auto grey = static_cast<uint8_t>(20 * ((y / 2) * 3 + x / 2) + 10);
            SetPixel(source, x, y, {grey, grey, grey, 255});
        }
    }
    const RgbaImage out = ScaleByAreaAverage(std::move(source), {3, 2});
    ASSERT_EQ(out.pixels.size(), std::size_t(3 * 2 * 4));
    for (int k = 0; k < 6; ++k) {
        const auto grey = static_cast<uint8_t>(20 * k + 10);
        EXPECT_EQ(Pixel(out, k % 3, k / 3), (std::vector<uint8_t>{grey, grey, grey, 255})) << k;
    }
}

TEST(AreaAverage, RefusesToEnlarge) {
    EXPECT_THROW(ScaleByAreaAverage(Filled(2, 2, {0, 0, 0, 255}), {3, 2}), std::invalid_argument);
    EXPECT_THROW(AreaScaler(2, 2, {2, 3}), std::invalid_argument);
}

// Row by row must give the whole-image scaler's pixels exactly (existing thumbnails keep
// theirs), at ratios whose rows meet one or two output rows, with alpha, and at the same size.
TEST(AreaAverage, RowByRowGivesTheWholeImagesPixels) {
    std::mt19937 random(7);
    const struct {
        int width, height;
        Size2 target;
    } cases[] = {{9, 7, {4, 3}},    {672, 448, FitWithin(672, 448, 97)},
                 {5, 40, {5, 3}},   {64, 64, {64, 64}},
                 {31, 29, {1, 1}},  {300, 2, {7, 2}},
                 {13, 13, {12, 12}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
        RgbaImage source{c.width, c.height,
                         std::vector<uint8_t>(std::size_t(c.width) * c.height * 4)};
        for (auto& byte : source.pixels)
            byte = static_cast<uint8_t>(random() % 4 == 0 ? 0 : random());
        AreaScaler scaler(c.width, c.height, c.target);
        for (int y = 0; y < c.height; ++y) {
            EXPECT_THROW(scaler.Finish(), std::logic_error);
            scaler.AddRow(source.pixels.data() + std::size_t(y) * c.width * 4);
        }
        EXPECT_THROW(scaler.AddRow(source.pixels.data()), std::logic_error);
        const RgbaImage rows = scaler.Finish();
        const RgbaImage whole =
            c.target == Size2{c.width, c.height} ? source : ScaleByAreaAverage(source, c.target);
        EXPECT_EQ(rows.width, c.target.width);
        EXPECT_EQ(rows.height, c.target.height);
        EXPECT_EQ(rows.pixels, whole.pixels);
    }
}

}  // namespace
