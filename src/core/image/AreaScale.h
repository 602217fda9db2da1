#pragma once
// Downscaling by area averaging: every output pixel is the mean of the source area it
// covers, partly covered source pixels weighted by their share. Thin lines fade evenly
// instead of flickering in and out as they do with nearest-neighbour sampling.
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
