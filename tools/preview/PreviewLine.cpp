#include "PreviewLine.h"

#include "text/ControlEscape.h"

std::string PreviewLine(const DrawingPreview& preview) {
    const std::string code = EscapeControls(preview.info.releaseCode);
    switch (preview.outcome) {
        case PreviewOutcome::BelowRange:
            return "BelowRange " + code;
        case PreviewOutcome::NoBitmap:
            return "NoBitmap " + code;
        case PreviewOutcome::Ready:
            break;
    }
    return "Ready " + code + " " + std::to_string(preview.info.width) + "x" +
           std::to_string(preview.info.height) +
           (preview.info.kind == ImageKind::Png ? " png" : " bmp");
}
