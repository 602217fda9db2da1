#include "preview/Preview.h"

DrawingPreview ReadDrawingPreview(const std::string& path) {
    DrawingPreview result;
    // The drawing buffer lives only for this call; the image is built before it goes.
    const std::vector<uint8_t> drawing = LoadWholeFile(path);
    result.outcome = ReadPreviewHeader(drawing, result.info);
    if (result.outcome == PreviewOutcome::Ready) {
        result.image = BuildBitmapStream(drawing, result.info);
    }
    return result;
}
