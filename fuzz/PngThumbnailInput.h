#pragma once
// How the PNG-thumbnail target turns its input into a drawing (the seed maker writes the same
// layout): byte 0 picks the thumbnail length the directory announces, the rest follows the PNG
// signature as the thumbnail's bytes. MadePng is the thumbnail path's form for large pictures.
#include <png.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "DrawingBuilder.h"

namespace fuzz {

inline constexpr std::array<uint8_t, 8> kPngSignature = {0x89, 'P',  'N',  'G',
                                                         '\r', '\n', 0x1A, '\n'};

enum class PngLength : uint8_t { Stored, Zero, Half, PastTheEnd, kCount };

inline DrawingBuilder PngDrawing(std::span<const uint8_t> input) {
    DrawingBuilder drawing;
    drawing.releaseCode = "1027";
    drawing.rawThumbnail.assign(kPngSignature.begin(), kPngSignature.end());
    if (input.empty()) return drawing;
    drawing.rawThumbnail.insert(drawing.rawThumbnail.end(), input.begin() + 1, input.end());
    const auto stored = static_cast<uint32_t>(drawing.rawThumbnail.size());
    switch (static_cast<PngLength>(input[0] % static_cast<uint8_t>(PngLength::kCount))) {
        case PngLength::Stored:
            break;
        case PngLength::Zero:
            drawing.overrideLength = true;
            drawing.length = 0;
            break;
        case PngLength::Half:
            drawing.overrideLength = true;
            drawing.length = stored / 2;
            break;
        default:
            drawing.overrideLength = true;
            drawing.length = stored + 1;
            break;
    }
    return drawing;
}

// A PNG that libpng writes from a few bytes, so that pictures up to past the side cap are
// reached without megabytes of zlib in the input: width and height (2 bytes each, up to the
// cap and a little past it), colour type, bit depth, interlace, a cut from the end and one
// byte flipped (position and mask, 2 + 1 bytes), then the bytes the rows repeat.
inline std::vector<uint8_t> MadePng(std::span<const uint8_t> in, int maxSide) {
    if (in.size() < 11) return {};
    auto side = [&](std::size_t at) { return 1 + (in[at] << 8 | in[at + 1]) % (maxSide + 16); };
    const int width = side(0), height = side(2);
    static const int kTypes[] = {PNG_COLOR_TYPE_GRAY, PNG_COLOR_TYPE_RGB, PNG_COLOR_TYPE_PALETTE,
                                 PNG_COLOR_TYPE_GRAY_ALPHA, PNG_COLOR_TYPE_RGB_ALPHA};
    const int type = kTypes[in[4] % 5];
    static const int kDepths[] = {1, 2, 4, 8, 16};
    int depth = kDepths[in[5] % 5];
    if (type == PNG_COLOR_TYPE_PALETTE)
        depth = std::min(depth, 8);
    else if (type != PNG_COLOR_TYPE_GRAY)
        depth = std::max(depth, 8);
    const bool interlaced = in[6] & 1;
    const std::size_t cut = in[7];
    const std::size_t flipAt = in[8] << 8 | in[9];
    const uint8_t flip = in[10];
    const std::span<const uint8_t> pattern = in.subspan(11);

    // Everything with a destructor is made before setjmp: libpng's errors longjmp back here.
    static const int kChannels[] = {1, 0, 3, 1, 2, 0, 4};
    std::vector<uint8_t> row((std::size_t(width) * kChannels[type] * depth + 7) / 8);
    std::vector<uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep data, std::size_t length) {
            auto* sink = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(p));
            sink->insert(sink->end(), data, data + length);
        },
        nullptr);
    png_set_compression_level(png, 1);
    png_set_IHDR(png, info, width, height, depth, type,
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (type == PNG_COLOR_TYPE_PALETTE) {
        png_color palette[4] = {{0, 0, 0}, {255, 255, 255}, {200, 30, 40}, {10, 90, 200}};
        png_set_PLTE(png, info, palette, 4);
        png_byte alpha[2] = {255, 60};
        png_set_tRNS(png, info, alpha, 2, nullptr);
    }
    png_write_info(png, info);
    const int passes = png_set_interlace_handling(png);
    std::size_t next = 0;
    for (int pass = 0; pass < passes; ++pass) {
        for (int y = 0; y < height; ++y) {
            for (auto& byte : row) {
                byte = pattern.empty() ? 0 : pattern[next++ % pattern.size()];
            }
            // Palette indices past the table would be refused; keep them inside.
            if (type == PNG_COLOR_TYPE_PALETTE && depth == 8) {
                for (auto& byte : row) byte &= 3;
            }
            png_write_row(png, row.data());
        }
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    out.resize(out.size() - std::min(cut, out.size()));
    if (flipAt < out.size()) out[flipAt] ^= flip;
    return out;
}

}  // namespace fuzz
