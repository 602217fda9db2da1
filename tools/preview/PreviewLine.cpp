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

std::string PictureLine(const DrawingPicture& picture) {
    const std::string code = EscapeControls(picture.preview.info.releaseCode);
    switch (picture.outcome) {
        case PictureOutcome::Drawn:
            if (!picture.drawn) break;
            return "Drawn " + code + " " + std::to_string(picture.drawn->width) + "x" +
                   std::to_string(picture.drawn->height) + " png";
        case PictureOutcome::Empty:
            return "Empty " + code;
        case PictureOutcome::TooLarge:  // the tool reads every size
            return "TooLarge";
        case PictureOutcome::Stored:
        case PictureOutcome::BelowRange:
        case PictureOutcome::NoBitmap:
            break;
    }
    return PreviewLine(picture.preview);
}
