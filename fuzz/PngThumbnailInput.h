#pragma once
// How the PNG-thumbnail target turns its input into a drawing (the seed maker writes the same
// layout): byte 0 picks the thumbnail length the directory announces, the rest follows the PNG
// signature as the thumbnail's bytes.
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

}  // namespace fuzz
