// The application icon as committed (res/Ortholux.ico, made by tools/make_icon.py): the
// About box and the shell load its 32 x 32, 256-colour image.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <vector>

namespace {

const std::filesystem::path kIconPath =
    std::filesystem::path(__FILE__).parent_path() / ".." / ".." / "res" / "Ortholux.ico";

uint32_t Le(const std::vector<uint8_t>& b, size_t at, int bytes) {
    uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | b.at(at + i);
    return value;
}

struct IconImage {
    int size = 0;
    std::vector<uint8_t> palette;  // BGRX quads
    std::vector<uint8_t> pixels;   // indices, rows top-down
    std::vector<bool> transparent;  // from the 1-bit mask, rows top-down
};

// Reads the directory entry `index` and its 8-bit image, checking every size on the way.
IconImage ReadImage(const std::vector<uint8_t>& file, size_t index) {
    const size_t entry = 6 + 16 * index;
    IconImage image;
    image.size = file.at(entry) == 0 ? 256 : file.at(entry);
    EXPECT_EQ(file.at(entry + 1), file.at(entry)) << "square";
    EXPECT_EQ(file.at(entry + 2), 0) << "0 colours in the entry means 256";
    EXPECT_EQ(Le(file, entry + 4, 2), 1u) << "planes";
    EXPECT_EQ(Le(file, entry + 6, 2), 8u) << "bits per pixel";
    const uint32_t length = Le(file, entry + 8, 4);
    const uint32_t offset = Le(file, entry + 12, 4);
    EXPECT_LE(uint64_t{offset} + length, file.size());

    const int n = image.size;
    EXPECT_EQ(Le(file, offset, 4), 40u);
    EXPECT_EQ(static_cast<int32_t>(Le(file, offset + 4, 4)), n);
    EXPECT_EQ(static_cast<int32_t>(Le(file, offset + 8, 4)), 2 * n) << "image and mask";
    EXPECT_EQ(Le(file, offset + 14, 2), 8u);
    const size_t paletteAt = offset + 40;
    const size_t xorStride = (n + 3) & ~3, andStride = (n + 31) / 32 * 4;
    EXPECT_EQ(length, 40 + 256 * 4 + xorStride * n + andStride * n);

    image.palette.assign(file.begin() + paletteAt, file.begin() + paletteAt + 1024);
    const size_t xorAt = paletteAt + 1024, andAt = xorAt + xorStride * n;
    for (int y = n - 1; y >= 0; --y) {  // stored bottom-up
        for (int x = 0; x < n; ++x) {
            image.pixels.push_back(file.at(xorAt + y * xorStride + x));
            const uint8_t bits = file.at(andAt + y * andStride + x / 8);
            image.transparent.push_back((bits & (0x80 >> (x % 8))) != 0);
        }
    }
    return image;
}

std::vector<uint8_t> ReadIconFile() {
    std::ifstream in(kIconPath, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(ApplicationIcon, HasA32By32ImageOf256Colours) {
    const std::vector<uint8_t> file = ReadIconFile();
    ASSERT_GE(file.size(), 6u) << kIconPath;
    EXPECT_EQ(Le(file, 0, 2), 0u);
    EXPECT_EQ(Le(file, 2, 2), 1u) << "an icon, not a cursor";
    const uint32_t count = Le(file, 4, 2);
    std::set<int> sizes;
    for (uint32_t i = 0; i < count; ++i) sizes.insert(ReadImage(file, i).size);
    EXPECT_TRUE(sizes.count(32)) << "the large icon the About box shows";
}

TEST(ApplicationIcon, MaskedPixelsAreBlackAndTheDrawingIsOpaque) {
    const std::vector<uint8_t> file = ReadIconFile();
    ASSERT_GE(file.size(), 22u);
    for (uint32_t i = 0; i < Le(file, 4, 2); ++i) {
        const IconImage image = ReadImage(file, i);
        const int n = image.size;
        std::set<uint8_t> used;
        int opaque = 0;
        for (size_t p = 0; p < image.pixels.size(); ++p) {
            const uint8_t index = image.pixels[p];
            const uint8_t* bgr = &image.palette[index * 4];
            if (image.transparent[p]) {
                // Screen AND mask, then XOR image: only black leaves the background alone.
                EXPECT_EQ(bgr[0] | bgr[1] | bgr[2], 0) << "pixel " << p << " of " << n;
            } else {
                ++opaque;
                used.insert(index);
            }
        }
        EXPECT_GT(opaque, n * n / 2) << n << ": the sheet covers most of the square";
        EXPECT_LT(opaque, n * n) << n << ": the corners around the sheet stay transparent";
        EXPECT_TRUE(image.transparent[n - 1]) << n << ": top-right corner, beside the fold";
        EXPECT_GE(used.size(), 8u) << n << ": a drawing, not a flat square";
    }
}

}  // namespace
