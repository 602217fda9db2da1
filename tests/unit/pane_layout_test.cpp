// The preview pane's layout: the picture fitted above the text line, aspect kept, centred.
#include <gtest/gtest.h>

#include <climits>

#include "layout/PaneLayout.h"

namespace {

using layout::Box;
using layout::FitPicture;

TEST(PaneLayout, FitsTheLimitingSideAndCentresTheOther) {
    // 184 x 126 into 400 x (300 - 20): the width limits, enlarged to 400 x 274 (273.9).
    EXPECT_EQ(FitPicture(184, 126, 400, 300, 20), (Box{0, 3, 400, 274}));
    // A tall pane: the width limits again, the picture centred in the area above the line.
    EXPECT_EQ(FitPicture(670, 448, 300, 500, 20), (Box{0, 139, 300, 201}));
    // A wide pane: the height limits, centred across.
    EXPECT_EQ(FitPicture(216, 140, 1000, 160, 20), (Box{392, 0, 216, 140}));
    // Odd margins put the spare pixel after the picture.
    EXPECT_EQ(FitPicture(10, 10, 13, 30, 0), (Box{0, 8, 13, 13}));
}

TEST(PaneLayout, ExtremesStayInsideTheAreaWithoutOverflow) {
    // A 1-pixel-high picture in a huge pane keeps at least one row.
    EXPECT_EQ(FitPicture(INT_MAX, 1, INT_MAX, INT_MAX, 0), (Box{0, INT_MAX / 2, INT_MAX, 1}));
    EXPECT_EQ(FitPicture(1, INT_MAX, 100, 100, 0), (Box{49, 0, 1, 100}));
    const Box huge = FitPicture(INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX - 1);
    EXPECT_EQ(huge, (Box{INT_MAX / 2, 0, 1, 1}));
}

TEST(PaneLayout, NothingFitsWhereNoAreaIsLeft) {
    for (const Box box : {FitPicture(0, 10, 100, 100, 10), FitPicture(10, -1, 100, 100, 10),
                          FitPicture(10, 10, 0, 100, 10), FitPicture(10, 10, 100, 10, 10),
                          FitPicture(10, 10, 100, 5, 10)}) {
        EXPECT_EQ(box, Box{});
    }
}

TEST(PaneLayout, TextLineIsThePanesBottom) {
    EXPECT_EQ(layout::TextLine(400, 300, 20), (Box{0, 280, 400, 20}));
    EXPECT_EQ(layout::TextLine(400, 12, 20), (Box{0, 0, 400, 12}));
    EXPECT_EQ(layout::TextLine(400, 300, 0), Box{});
}

}  // namespace
