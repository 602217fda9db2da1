#include "PreviewImage.h"

#include "DibToRgba.h"
#include "PngCodec.h"

RgbaImage PreviewPixels(const DrawingPreview& preview) {
    if (preview.info.kind == ImageKind::Bmp) return BmpToRgba(preview.image);
    RgbaImage image;
    std::string error;
    if (!DecodePng(preview.image, image, error)) throw PngError("damaged PNG thumbnail: " + error);
    return image;
}
