// PNG thumbnails read row by row through libpng: the same pixels as the whole-image reader,
// the side cap, and how much of the heap a large picture costs on its way to a thumbnail.
#include <gtest/gtest.h>
#include <png.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "Fixtures.h"
#include "FileSource.h"
#include "PngCodec.h"
#include "image/AreaScale.h"
#include "image/ThumbnailPicture.h"
#include "preview/Preview.h"

// Live heap bytes of this test binary (libpng's too: the reader allocates through operator new).
namespace {
std::atomic<int64_t> live{0};
std::atomic<int64_t> peak{0};

void* Counted(std::size_t size) {
    auto* block = static_cast<std::size_t*>(std::malloc(size + 16));
    if (!block) return nullptr;
    *block = size;
    const int64_t now = live += static_cast<int64_t>(size);
    for (int64_t high = peak; now > high && !peak.compare_exchange_weak(high, now);) {
    }
    return reinterpret_cast<char*>(block) + 16;
}

void Uncounted(void* memory) {
    if (!memory) return;
    auto* block = reinterpret_cast<std::size_t*>(static_cast<char*>(memory) - 16);
    live -= static_cast<int64_t>(*block);
    std::free(block);
}
}  // namespace

void* operator new(std::size_t size) {
    if (void* memory = Counted(size)) return memory;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Counted(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Counted(size); }
void operator delete(void* memory) noexcept { Uncounted(memory); }
void operator delete[](void* memory) noexcept { Uncounted(memory); }
void operator delete(void* memory, std::size_t) noexcept { Uncounted(memory); }
void operator delete[](void* memory, std::size_t) noexcept { Uncounted(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { Uncounted(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { Uncounted(memory); }

namespace {

std::vector<uint8_t> Written;

void Collect(png_structp, png_bytep data, std::size_t length) {
    Written.insert(Written.end(), data, data + length);
}

// A `width` x `height` PNG written row by row (no image in memory): one-pixel diagonals on
// white in `colorType` at `depth` bits, Adam7-interlaced on request.
std::vector<uint8_t> Diagonals(int width, int height, int colorType = PNG_COLOR_TYPE_RGB,
                               int depth = 8, bool interlaced = false) {
    Written.clear();
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, nullptr, Collect, nullptr);
    png_set_IHDR(png, info, width, height, depth, colorType,
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (colorType == PNG_COLOR_TYPE_PALETTE) {
        png_color palette[2] = {{255, 255, 255}, {200, 30, 40}};
        png_set_PLTE(png, info, palette, 2);
        png_byte alpha[2] = {255, 90};
        png_set_tRNS(png, info, alpha, 2, nullptr);
    }
    png_write_info(png, info);
    const int channels = png_get_channels(png, info);
    const int bytes = depth / 8 == 0 ? 1 : depth / 8;
    std::vector<uint8_t> row(std::size_t(width) * channels * bytes);
    const int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; ++pass) {
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const bool ink = x == y || x == width - 1 - y;
                for (int c = 0; c < channels * bytes; ++c) {
                    uint8_t& v = row[std::size_t(x) * channels * bytes + c];
                    if (colorType == PNG_COLOR_TYPE_PALETTE)
                        v = ink;
                    else
                        v = ink ? static_cast<uint8_t>(40 + 50 * c + x % 7) : 255;
                }
            }
            png_write_row(png, row.data());
        }
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return Written;
}

RgbaImage Whole(const std::vector<uint8_t>& file) {
    RgbaImage image;
    std::string error;
    EXPECT_TRUE(DecodePng(file, image, error)) << error;
    return image;
}

// Row by row gives what the simplified reader gives, scaled the way the core scales: for the
// real drawings' thumbnails and for every kind of PNG a program may write.
TEST(PngRows, SamePixelsAsTheWholeImageReader) {
    std::vector<std::vector<uint8_t>> files = {
        Diagonals(90, 61),
        Diagonals(90, 61, PNG_COLOR_TYPE_RGB_ALPHA),
        Diagonals(90, 61, PNG_COLOR_TYPE_GRAY, 8),
        Diagonals(33, 20, PNG_COLOR_TYPE_GRAY, 2),
        Diagonals(90, 61, PNG_COLOR_TYPE_RGB, 16),
        Diagonals(90, 61, PNG_COLOR_TYPE_PALETTE, 1),
        Diagonals(90, 61, PNG_COLOR_TYPE_RGB_ALPHA, 8, true)};
    for (const auto& e : LoadFixtureExpectations()) {
        if (e.imageKind != "png") continue;
        files.push_back(ReadDrawingThumbnail((FixturesDir() / e.file).string()).image);
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(i);
        const RgbaImage whole = Whole(files[i]);
        EXPECT_EQ(DecodePngFitted(files[i], 0).pixels, whole.pixels);
        EXPECT_EQ(DecodePngFitted(files[i], 40).pixels, FitPicture(whole, 40).pixels);
    }
}

TEST(PngRows, RefusesASideAbove4096AndDamage) {
    EXPECT_EQ(DecodePngFitted(Diagonals(4096, 2), 256).width, 256);
    EXPECT_THROW(DecodePngFitted(Diagonals(4097, 2), 256), PngError);
    EXPECT_THROW(DecodePngFitted(Diagonals(2, 4097), 0), PngError);
    std::vector<uint8_t> cut = Diagonals(300, 300);
    cut.resize(cut.size() - 40);
    EXPECT_THROW(DecodePngFitted(cut, 64), PngError);
}

// The largest picture a CAD program stores, to a 256 thumbnail, without its 25 MiB of pixels.
TEST(PngRows, LargePictureScaledWithinTwoMegabytes) {
    const std::vector<uint8_t> file = Diagonals(2560, 2560);
    const int64_t before = live;
    peak = before;
    const RgbaImage thumbnail = DecodePngFitted(file, 256);
    const int64_t used = peak - before;
    EXPECT_EQ(thumbnail.width, 256);
    EXPECT_LT(used, 2 << 20);
    std::printf("2560 x 2560 PNG to 256: peak %lld bytes\n", static_cast<long long>(used));
}

}  // namespace
