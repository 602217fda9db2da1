#include "AreaScale.h"

#include <algorithm>
#include <stdexcept>

namespace {

// For one axis: the source pixels each output pixel covers and by how much. Source pixel i
// spans [i * out, (i + 1) * out) and output pixel x spans [x * in, (x + 1) * in) on a common
// integer scale, so the weights are exact and add up to `in` for every output pixel.
struct Tap {
    int source;
    uint32_t weight;
};

std::vector<std::vector<Tap>> AxisTaps(int in, int out) {
    std::vector<std::vector<Tap>> taps(static_cast<std::size_t>(out));
    for (int x = 0; x < out; ++x) {
        const int64_t begin = int64_t{x} * in;
        const int64_t end = begin + in;
        for (int64_t i = begin / out; i < in && i * out < end; ++i) {
            const int64_t overlap = std::min(end, (i + 1) * out) - std::max(begin, i * out);
            if (overlap > 0)
                taps[x].push_back({static_cast<int>(i), static_cast<uint32_t>(overlap)});
        }
    }
    return taps;
}

}  // namespace

Size2 FitWithin(int width, int height, int limit) {
    if (width <= 0 || height <= 0 || limit <= 0) return {};
    const int longer = std::max(width, height);
    if (longer <= limit) return {width, height};
    // Rounded to nearest: shorter * limit / longer, kept at one pixel at least.
    const auto shorter = static_cast<int>(std::max<int64_t>(
        1, (int64_t{std::min(width, height)} * limit * 2 + longer) / (2 * longer)));
    return width >= height ? Size2{limit, shorter} : Size2{shorter, limit};
}

RgbaImage ScaleByAreaAverage(const RgbaImage& source, Size2 target) {
    if (target.width <= 0 || target.height <= 0 || target.width > source.width ||
        target.height > source.height) {
        throw std::invalid_argument("area averaging only scales down");
    }
    const auto columns = AxisTaps(source.width, target.width);
    const auto rows = AxisTaps(source.height, target.height);
    const std::size_t stride = static_cast<std::size_t>(source.width) * 4;

    RgbaImage out{target.width, target.height, {}};
    out.pixels.resize(static_cast<std::size_t>(target.width) * target.height * 4);
    uint8_t* dst = out.pixels.data();
    // Every output pixel's weights add up to source.width * source.height.
    const uint64_t area = uint64_t(source.width) * uint64_t(source.height);
    for (const auto& rowTaps : rows) {
        for (const auto& columnTaps : columns) {
            uint64_t sum[4] = {0, 0, 0, 0};  // alpha-weighted r, g, b; then alpha
            for (const Tap& row : rowTaps) {
                const uint8_t* line = source.pixels.data() + row.source * stride;
                for (const Tap& column : columnTaps) {
                    const uint8_t* p = line + column.source * 4;
                    const uint64_t weight = uint64_t{row.weight} * column.weight;
                    const uint64_t alphaWeight = weight * p[3];
                    sum[0] += alphaWeight * p[0];
                    sum[1] += alphaWeight * p[1];
                    sum[2] += alphaWeight * p[2];
                    sum[3] += alphaWeight;
                }
            }
            for (int c = 0; c < 3; ++c) {
                dst[c] = sum[3] == 0 ? 0 : static_cast<uint8_t>((sum[c] + sum[3] / 2) / sum[3]);
            }
            dst[3] = static_cast<uint8_t>((sum[3] + area / 2) / area);
            dst += 4;
        }
    }
    return out;
}
