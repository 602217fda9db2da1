#include "preview/Preview.h"

DrawingPreview ReadDrawingPreview(ByteSource& drawing) {
    DrawingPreview result;
    result.outcome = ReadPreviewHeader(drawing, result.info);
    if (result.outcome == PreviewOutcome::Ready) {
        result.image = BuildBitmapStream(drawing, result.info);
    }
    return result;
}

DrawingPreview ReadDrawingPreview(const std::string& path) {
    // The file is held open, and so shielded from writers, until its last byte is read.
    const auto drawing = OpenDrawingFile(path);
    return ReadDrawingPreview(*drawing);
}
