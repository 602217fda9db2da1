#include "ThumbnailFile.h"

#include "PngCodec.h"
#include "ReplacingFile.h"

bool WritePngReplacing(const std::string& output, const RgbaImage& image, std::string& error) {
    return WriteFileReplacing(
        output, [&](std::FILE* file, std::string& why) { return EncodePng(image, file, why); },
        error);
}
