#include "AreaScale.h"

#include <algorithm>
#include <stdexcept>

namespace {

// For one axis: the source pixels output pixel `x` covers and by how much. Source pixel i
// spans [i * out, (i + 1) * out) and output pixel x spans [x * in, (x + 1) * in) on a common
// integer scale, so the weights are exact and add up to `in` for every output pixel. Computed
// as they are used: stored, a long axis's taps would cost more than the image.
template <class Visit>
void ForEachTap(int x, int in, int out, Visit visit) {
    const int64_t begin = int64_t{x} * in;
    const int64_t end = begin + in;
    for (int64_t i = begin / out; i < in && i * out < end; ++i) {
        const int64_t overlap = std::min(end, (i + 1) * out) - std::max(begin, i * out);
        if (overlap > 0) visit(static_cast<std::size_t>(i), static_cast<uint64_t>(overlap));
    }
}

}  // namespace

Size2 FitWithin(int width, int height, int limit) {
    if (width <= 0 || height <= 0 || limit <= 0) return {};
    const int longer = std::max(width, height);
    if (longer <= limit) return {width, height};
    // Rounded to nearest: shorter * limit / longer, kept at one pixel at least.
    const auto shorter = static_cast<int>(std::max<int64_t>(
        1, (int64_t{std::min(width, height)} * limit * 2 + longer) / (2 * int64_t{longer})));
    return width >= height ? Size2{limit, shorter} : Size2{shorter, limit};
}

RgbaImage ScaleByAreaAverage(RgbaImage image, Size2 target) {
    if (target.width <= 0 || target.height <= 0 || target.width > image.width ||
        target.height > image.height) {
        throw std::invalid_argument("area averaging only scales down");
    }
    const std::size_t stride = static_cast<std::size_t>(image.width) * 4;
    // Output pixel (x, y) reads source rows from y and columns from x on, so written in order
    // over the source it never overwrites a pixel a later one still reads.
    const uint8_t* const source = image.pixels.data();
    uint8_t* dst = image.pixels.data();
    // Every output pixel's weights add up to width * height of the source.
    const uint64_t area = uint64_t(image.width) * uint64_t(image.height);
    for (int y = 0; y < target.height; ++y) {
        for (int x = 0; x < target.width; ++x) {
            uint64_t sum[4] = {0, 0, 0, 0};  // alpha-weighted r, g, b; then alpha
            ForEachTap(y, image.height, target.height, [&](std::size_t row, uint64_t rowWeight) {
                const uint8_t* line = source + row * stride;
                ForEachTap(x, image.width, target.width, [&](std::size_t column, uint64_t weight) {
                    const uint8_t* p = line + column * 4;
                    const uint64_t alphaWeight = rowWeight * weight * p[3];
                    sum[0] += alphaWeight * p[0];
                    sum[1] += alphaWeight * p[1];
                    sum[2] += alphaWeight * p[2];
                    sum[3] += alphaWeight;
                });
            });
            for (int c = 0; c < 3; ++c) {
                dst[c] = sum[3] == 0 ? 0 : static_cast<uint8_t>((sum[c] + sum[3] / 2) / sum[3]);
            }
            dst[3] = static_cast<uint8_t>((sum[3] + area / 2) / area);
            dst += 4;
        }
    }
    image.width = target.width;
    image.height = target.height;
    image.pixels.resize(static_cast<std::size_t>(target.width) * target.height * 4);
    return image;
}
