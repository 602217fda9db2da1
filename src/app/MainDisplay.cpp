// TMainForm1's drawing display: the thumbnail into the image, the file name and release into
// the status bar, and the window sized to the thumbnail.
#include "DisplayRules.h"
#include "FileSource.h"
#include "Main.h"
#include "Picture.h"
#include "bitmap/Dib.h"
#include "preview/Preview.h"
#include "text/ShiftJis.h"

namespace {

Picture DecodeThumbnail(const std::vector<uint8_t>& image, ImageKind kind) {
    if (kind == ImageKind::Png) return PictureFromPng(image);
    return PictureFromDib(DecodeBmp(image));
}

}  // namespace

void TMainForm1::OpenDrawing(const std::string& path) {
    // A failure to read the drawing ends here, before anything on screen has changed.
    DrawingPreview preview = ReadDrawingThumbnail(path);
    switch (preview.outcome) {
        case PreviewOutcome::BelowRange:
            return;
        case PreviewOutcome::NoBitmap:
            Image1.Clear();
            return;
        case PreviewOutcome::Ready:
            break;
    }
    {
        // The rebuilt image goes at the end of this block, decoded or not; a picture that
        // can't be decoded leaves the image, the status bar and the size as they were.
        const std::vector<uint8_t> image = std::move(preview.image);
        Image1.SetPicture(DecodeThumbnail(image, preview.info.kind));
    }
    ShowDrawingInfo(path, preview.info.releaseCode, preview.info.width, preview.info.height);
}

void TMainForm1::ShowDrawingInfo(const std::string& path, const std::string& releaseCode,
                                 int32_t width, int32_t height) {
    if (path != stepFrom_) {  // a step's own drawing keeps its place among equal names
        stepFrom_ = path;
        stepOccurrence_ = 0;
    }
    StatusBar1.SetPanelText(0, ExtractFileTitle(path));
    StatusBar1.SetPanelText(1, display::ReleaseLabel(releaseCode));
    SizeToThumbnail(display::DrawingOuterSize(releaseCode, width, height, Dpi()));
    SetFirstPanelToHalf();
}

void TMainForm1::SizeToThumbnail(display::OuterSize wanted) {
    // Width first, then height, each raised to the minimum at once; the layout follows each.
    const win::Size area = WorkAreaSize();
    const display::OuterSize limit{area.width, area.height};
    const display::OuterSize minimum = display::MinOuterSize(Dpi());
    display::OuterSize size = display::FitOuterSize(wanted, ImageFrame(), limit, minimum);
    if (size.width != wanted.width || size.height != wanted.height) {
        // Shrunk to fit the work area: the menu may wrap differently at the new width, which
        // changes the frame the image area is fitted in. Fitted again once the width is set.
        SetOuterWidth(size.width);
        size = display::FitOuterSize(wanted, ImageFrame(), limit, minimum);
    }
    SetOuterWidth(size.width);
    SetOuterHeight(size.height);
}

display::OuterSize TMainForm1::ImageFrame() const {
    const win::Size outer = Window().OuterSize();
    const win::Size image = Image1.Window().OuterSize();
    return {outer.width - image.width, outer.height - image.height};
}
