#include "image/AreaScale.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

// For one axis: the source pixels output pixel `x` covers and by how much. Source pixel i
// spans [i * out, (i + 1) * out) and output pixel x spans [x * in, (x + 1) * in) on a common
// integer scale, so the weights are exact and add up to `in` for every output pixel: the
// first and last pixels covered count by their share, every one between by `out`.
struct AreaScaler::Cover {
    std::size_t first;
    std::size_t last;
    uint64_t firstWeight;
    uint64_t lastWeight;  // with last > first
    uint64_t middleWeight;
};

namespace {

using Cover = AreaScaler::Cover;

Cover CoverOf(int x, int in, int out) {
    const uint64_t begin = uint64_t(x) * uint64_t(in);
    const uint64_t end = begin + uint64_t(in);
    const uint64_t size = uint64_t(out);
    Cover cover;
    cover.first = static_cast<std::size_t>(begin / size);
    cover.last = static_cast<std::size_t>((end - 1) / size);
    cover.firstWeight = cover.first == cover.last ? end - begin : (cover.first + 1) * size - begin;
    cover.lastWeight = end - cover.last * size;
    cover.middleWeight = size;
    return cover;
}

// Adds the covered pixels of one source row, alpha-weighted, times `rowWeight`, to `sum`
// (r, g, b, then alpha). The totals stay below width * height * 255 * 255 of the source.
void AddSourceRow(const uint8_t* line, const Cover& columns, uint64_t rowWeight, uint64_t sum[4]) {
    auto add = [&](std::size_t i, uint64_t weight) {
        const uint8_t* p = line + i * 4;
        const uint64_t alphaWeight = weight * p[3];
        sum[0] += alphaWeight * p[0];
        sum[1] += alphaWeight * p[1];
        sum[2] += alphaWeight * p[2];
        sum[3] += alphaWeight;
    };
    add(columns.first, rowWeight * columns.firstWeight);
    if (columns.last == columns.first) return;
    uint64_t middle[4] = {0, 0, 0, 0};
    for (std::size_t i = columns.first + 1; i < columns.last; ++i) {
        const uint8_t* p = line + i * 4;
        middle[0] += uint64_t{p[3]} * p[0];
        middle[1] += uint64_t{p[3]} * p[1];
        middle[2] += uint64_t{p[3]} * p[2];
        middle[3] += p[3];
    }
    const uint64_t weight = rowWeight * columns.middleWeight;
    for (int c = 0; c < 4; ++c) sum[c] += middle[c] * weight;
    add(columns.last, rowWeight * columns.lastWeight);
}

void StorePixel(const uint64_t sum[4], uint64_t area, uint8_t* dst) {
    for (int c = 0; c < 3; ++c) {
        dst[c] = sum[3] == 0 ? 0 : static_cast<uint8_t>((sum[c] + sum[3] / 2) / sum[3]);
    }
    dst[3] = static_cast<uint8_t>((sum[3] + area / 2) / area);
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
        const Cover rows = CoverOf(y, image.height, target.height);
        for (int x = 0; x < target.width; ++x) {
            const Cover columns = CoverOf(x, image.width, target.width);
            uint64_t sum[4] = {0, 0, 0, 0};  // alpha-weighted r, g, b; then alpha
            for (std::size_t row = rows.first; row <= rows.last; ++row) {
                const uint64_t weight = row == rows.first  ? rows.firstWeight
                                        : row == rows.last ? rows.lastWeight
                                                           : rows.middleWeight;
                AddSourceRow(source + row * stride, columns, weight, sum);
            }
            StorePixel(sum, area, dst);
            dst += 4;
        }
    }
    image.width = target.width;
    image.height = target.height;
    image.pixels.resize(static_cast<std::size_t>(target.width) * target.height * 4);
    return image;
}

AreaScaler::AreaScaler(int width, int height, Size2 target)
    : width_(width), height_(height), target_(target) {
    if (target.width <= 0 || target.height <= 0 || target.width > width || target.height > height) {
        throw std::invalid_argument("area averaging only scales down");
    }
    out_.width = target.width;
    out_.height = target.height;
    out_.pixels.assign(static_cast<std::size_t>(target.width) * target.height * 4, 0);
    if (target == Size2{width, height}) return;  // rows are copied as they come
    columns_.reserve(static_cast<std::size_t>(target.width));
    for (int x = 0; x < target.width; ++x) columns_.push_back(CoverOf(x, width, target.width));
    sums_.assign(static_cast<std::size_t>(target.width) * 4, 0);
}

AreaScaler::~AreaScaler() = default;

// Source row r spans [r * out, (r + 1) * out) and output row y [y * in, (y + 1) * in): as the
// source is at least as tall, a row meets one output row, or two when the first ends in it, so
// one row of sums is open at a time. Each share is the weight ScaleByAreaAverage gives the
// row, and integer sums do not depend on their order, so the pixels are the same.
void AreaScaler::AddRow(const uint8_t* rgba) {
    if (row_ >= height_) throw std::logic_error("more rows than the image has");
    const std::size_t outStride = static_cast<std::size_t>(target_.width) * 4;
    if (columns_.empty()) {
        std::memcpy(out_.pixels.data() + static_cast<std::size_t>(row_) * outStride, rgba,
                    outStride);
        ++row_;
        return;
    }
    const uint64_t in = uint64_t(height_);
    const uint64_t out = uint64_t(target_.height);
    const uint64_t begin = uint64_t(row_) * out;
    const uint64_t end = begin + out;
    const uint64_t area = uint64_t(width_) * uint64_t(height_);
    for (uint64_t y = begin / in; y < uint64_t(target_.height) && y * in < end; ++y) {
        const uint64_t weight = std::min(end, (y + 1) * in) - std::max(begin, y * in);
        uint64_t* sums = sums_.data();
        for (std::size_t x = 0; x < columns_.size(); ++x) {
            AddSourceRow(rgba, columns_[x], weight, sums + x * 4);
        }
        if ((y + 1) * in > end) continue;  // the next source row adds to it too
        uint8_t* dst = out_.pixels.data() + static_cast<std::size_t>(y) * outStride;
        for (std::size_t x = 0; x < columns_.size(); ++x)
            StorePixel(sums + x * 4, area, dst + x * 4);
        std::fill(sums_.begin(), sums_.end(), 0);
    }
    ++row_;
}

RgbaImage AreaScaler::Finish() {
    if (row_ != height_) throw std::logic_error("fewer rows than the image has");
    return std::move(out_);
}
