#pragma once
// Downscaling by area averaging: every output pixel is the mean of the source area it
// covers, partly covered source pixels weighted by their share. Thin lines fade evenly
// instead of flickering in and out as they do with nearest-neighbour sampling.
#include <cstdint>
#include <vector>

#include "image/RgbaImage.h"

struct Size2 {
    int width = 0;
    int height = 0;
    bool operator==(const Size2&) const = default;
};

// The size that fits `width` x `height` into a `limit` square: the longer side becomes at
// most `limit`, the aspect ratio is kept (the shorter side rounded, at least 1), and an
// image that already fits keeps its size.
Size2 FitWithin(int width, int height, int limit);

// `image` averaged down to `target` (no side larger than the source's), in its own buffer:
// moved in, it costs no second image. Colours are weighted by alpha, so transparent pixels
// do not darken their neighbours.
RgbaImage ScaleByAreaAverage(RgbaImage image, Size2 target);

// ScaleByAreaAverage as the rows come: a decoder hands over each source row (top to bottom,
// `width` RGBA pixels) and the scaler keeps only the output and one output row of sums, so no
// source image is ever held. Gives the same pixels as ScaleByAreaAverage; a target of the
// source's own size copies the rows unchanged.
class AreaScaler {
  public:
    // Throws std::invalid_argument as ScaleByAreaAverage does.
    AreaScaler(int width, int height, Size2 target);
    ~AreaScaler();
    AreaScaler(const AreaScaler&) = delete;
    AreaScaler& operator=(const AreaScaler&) = delete;

    void AddRow(const uint8_t* rgba);
    int RowsAdded() const { return row_; }
    // The picture, once every row has come (std::logic_error before).
    RgbaImage Finish();

    struct Cover;  // one output column's source pixels and their weights

  private:
    int width_;
    int height_;
    Size2 target_;
    int row_ = 0;
    std::vector<Cover> columns_;
    std::vector<uint64_t> sums_;  // the open output row: alpha-weighted r, g, b, then alpha
    RgbaImage out_;
};
