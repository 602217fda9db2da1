#pragma once
// Where a preview pane puts the picture: above one line of text, as large as the rest of the
// pane allows, aspect kept, centred. Platform-free, so it is tested natively.
namespace layout {

struct Box {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const Box&) const = default;
};

// The picture's box in a pane of paneWidth x paneHeight whose bottom lineHeight pixels hold
// the text line; the picture is enlarged or reduced to touch the area's sides in one
// direction, its other side rounded (at least 1). Empty (0 x 0) when either size is not
// positive or no area is left.
Box FitPicture(int pictureWidth, int pictureHeight, int paneWidth, int paneHeight, int lineHeight);

// The text line's box: the pane's bottom lineHeight pixels (fewer when the pane is smaller).
Box TextLine(int paneWidth, int paneHeight, int lineHeight);

}  // namespace layout
