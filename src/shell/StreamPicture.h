#pragma once
// One drawing's thumbnail from the stream a host handed over, as pixels: what both handlers
// draw. Reads the header, the thumbnail directory and the thumbnail, nothing else.
#include <objidl.h>

#include "image/ThumbnailPicture.h"

namespace shell {

struct StreamPicture {
    RgbaImage pixels;
    ImageKind kind = ImageKind::Bmp;
    std::string releaseCode;
};

// `limit` > 0 fits the picture into a limit square (never enlarged); 0 keeps the stored
// size. S_OK with the picture, or kNothingToShow, kDamaged, the stream's own error,
// E_OUTOFMEMORY; never throws.
HRESULT ReadStreamPicture(IStream* stream, int limit, StreamPicture& picture) noexcept;

}  // namespace shell
