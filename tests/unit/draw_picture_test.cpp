// The picture of a DXF drawing: the palette, the rasteriser's pixels, the framing rules, and
// made drawings whose pictures must equal those of the same geometry written out by hand
// (inserts, arrays, nesting, colours by layer and by block), or at least arrive (cycles,
// hostile sizes, a budget run out).
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "DxfBuilder.h"
#include "draw/AciPalette.h"
#include "draw/DxfPicture.h"
#include "draw/Frame.h"
#include "draw/PortableMath.h"
#include "draw/Raster.h"
#include "preview/ByteSource.h"

namespace {

using Pairs = std::vector<std::pair<int, std::string>>;

constexpr uint32_t kGround = 0x212830;

uint32_t Pixel(const RgbaImage& image, int x, int y) {
    const uint8_t* p = &image.pixels[(static_cast<std::size_t>(y) * image.width + x) * 4];
    return static_cast<uint32_t>(p[0]) << 16 | p[1] << 8 | p[2];
}

// A drawing of the given sections' contents; `header` and `tables` may be empty.
std::string Drawing(const Pairs& entities, const Pairs& blocks = {}, const Pairs& tables = {},
                    const Pairs& header = {}) {
    Pairs all = {{0, "SECTION"}, {2, "HEADER"}, {9, "$ACADVER"}, {1, "AC1015"}};
    all.insert(all.end(), header.begin(), header.end());
    all.insert(all.end(), {{0, "ENDSEC"}, {0, "SECTION"}, {2, "TABLES"}});
    all.insert(all.end(), tables.begin(), tables.end());
    all.insert(all.end(), {{0, "ENDSEC"}, {0, "SECTION"}, {2, "BLOCKS"}});
    all.insert(all.end(), blocks.begin(), blocks.end());
    all.insert(all.end(), {{0, "ENDSEC"}, {0, "SECTION"}, {2, "ENTITIES"}});
    all.insert(all.end(), entities.begin(), entities.end());
    all.insert(all.end(), {{0, "ENDSEC"}, {0, "EOF"}});
    return dxftest::Ascii(all);
}

Pairs Line(double x0, double y0, double x1, double y1, int colour = 256,
           const std::string& layer = "0") {
    return {{0, "LINE"},
            {8, layer},
            {62, std::to_string(colour)},
            {10, std::to_string(x0)},
            {20, std::to_string(y0)},
            {11, std::to_string(x1)},
            {21, std::to_string(y1)}};
}

Pairs operator+(Pairs a, const Pairs& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Pairs Block(const std::string& name, const Pairs& contents, double baseX = 0) {
    return Pairs{{0, "BLOCK"}, {8, "0"}, {2, name}, {70, "0"}, {10, std::to_string(baseX)},
                 {20, "0"},    {30, "0"}} +
           contents + Pairs{{0, "ENDBLK"}};
}

DxfPicture PictureOf(const std::string& text, DrawRequest request = {}) {
    const std::vector<uint8_t> bytes(text.begin(), text.end());
    MemorySource source(bytes);
    return DxfPictureOf(source, request);
}

RgbaImage Drawn(const std::string& text, DrawRequest request = {}) {
    DxfPicture picture = PictureOf(text, request);
    EXPECT_TRUE(picture.drawn);
    return picture.drawn ? *picture.drawn : RgbaImage();
}

std::size_t Inked(const RgbaImage& image, uint32_t colour) {
    std::size_t n = 0;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) n += Pixel(image, x, y) == colour;
    }
    return n;
}

TEST(DrawPicture, PaletteRows) {
    const std::vector<std::pair<int, uint32_t>> rows = {
        {1, 0xFF0000},   {2, 0xFFFF00},   {5, 0x0000FF},   {7, 0xFFFFFF},   {8, 0x808080},
        {9, 0xC0C0C0},   {10, 0xFF0000},  {11, 0xFF7F7F},  {12, 0xCC0000},  {18, 0x4C0000},
        {19, 0x4C2626},  {21, 0xFF9F7F},  {25, 0x995F4C},  {30, 0xFF7F00},  {60, 0xBFFF00},
        {130, 0x00FFFF}, {140, 0x00BFFF}, {170, 0x0000FF}, {210, 0xFF00FF}, {240, 0xFF003F},
        {249, 0x4C262F}, {250, 0x333333}, {255, 0xFFFFFF}};
    for (const auto& [index, rgb] : rows) EXPECT_EQ(AciColour(index), rgb) << index;
}

TEST(DrawPicture, PortableTrigonometry) {
    for (double a = -50; a <= 50; a += 0.0137) {
        EXPECT_NEAR(pmath::Sin(a), std::sin(a), 1e-13) << a;
        EXPECT_NEAR(pmath::Cos(a), std::cos(a), 1e-13) << a;
        EXPECT_NEAR(pmath::Atan2(a, 7 - a), std::atan2(a, 7 - a), 1e-13) << a;
    }
    EXPECT_EQ(pmath::Sin(0), 0.0);
    EXPECT_EQ(pmath::Cos(0), 1.0);
    EXPECT_EQ(pmath::Sin(pmath::kPi / 2), 1.0);
    EXPECT_EQ(pmath::Atan2(0, -1), pmath::kPi);
    EXPECT_EQ(pmath::Atan2(-0.0, -1), -pmath::kPi);
    EXPECT_EQ(pmath::Atan2(1, 0), pmath::kPi / 2);
    EXPECT_DOUBLE_EQ(pmath::Atan2(1, 1), pmath::kPi / 4);
}

TEST(DrawPicture, RasterPixels) {
    DrawBudget budget;
    const auto at = [](double x, double y) { return ToFixed(x, y); };
    struct Row {
        const char* what;
        FixedPoint a, b;
        std::vector<std::pair<int, int>> full, half, untouched;
    };
    const std::vector<Row> rows = {
        {"along a row's centre",
         at(1, 2.5),
         at(7, 2.5),
         {{1, 2}, {6, 2}},
         {},
         {{0, 2}, {7, 2}, {3, 1}}},
        {"between two rows", at(1, 3), at(7, 3), {}, {{3, 2}, {3, 3}}, {{3, 1}, {3, 4}}},
        {"down a column", at(4.5, 0), at(4.5, 8), {{4, 0}, {4, 7}}, {}, {{3, 4}, {5, 4}}},
        {"a dot", at(2.2, 5.7), at(2.2, 5.7), {{2, 5}}, {}, {{3, 5}}},
    };
    for (const Row& row : rows) {
        Canvas canvas(8, 8, kGround, budget);
        canvas.Line(row.a, row.b, 0xFFFFFF);
        const RgbaImage& image = canvas.Image();
        for (auto [x, y] : row.full) EXPECT_EQ(Pixel(image, x, y), 0xFFFFFFu) << row.what;
        for (auto [x, y] : row.half) {
            const uint32_t red = Pixel(image, x, y) >> 16;
            EXPECT_TRUE(red > 0x80 && red < 0xA0) << row.what << " " << red;
        }
        for (auto [x, y] : row.untouched) EXPECT_EQ(Pixel(image, x, y), kGround) << row.what;
    }
    // A square with a square hole, even-odd; the outer edge half a pixel in.
    Canvas canvas(8, 8, kGround, budget);
    const std::vector<std::vector<FixedPoint>> rings = {
        {at(1, 1), at(6.5, 1), at(6.5, 6), at(1, 6)}, {at(3, 3), at(5, 3), at(5, 5), at(3, 5)}};
    canvas.Fill(rings, 0xFF0000);
    const RgbaImage& image = canvas.Image();
    EXPECT_EQ(Pixel(image, 1, 1), 0xFF0000u);
    EXPECT_EQ(Pixel(image, 5, 5), 0xFF0000u);
    EXPECT_EQ(Pixel(image, 3, 3), kGround);
    EXPECT_EQ(Pixel(image, 4, 4), kGround);
    EXPECT_EQ(Pixel(image, 0, 3), kGround);
    EXPECT_EQ(Pixel(image, 2, 6), kGround);
    EXPECT_EQ(Pixel(image, 6, 2) >> 16, (0xFFu * 128 + 33 * 128 + 128) >> 8);
}

TEST(DrawPicture, FramingRules) {
    Box2 view;
    view.Add(0, 0), view.Add(21.76, 10);  // aspect 2.176
    // A picture a little wider than its view: the view's width across, its lower left corner
    // at the picture's, the top cut.
    Frame f = FrameForView(view, 256, 102);
    EXPECT_DOUBLE_EQ(f.scale, 256 / 21.76);
    EXPECT_NEAR(f.PixelX(0), 0, 1e-9);
    EXPECT_NEAR(f.PixelY(0), 102, 1e-9);
    // Much wider: the view's height up, the right side beyond the view.
    f = FrameForView(view, 600, 100);
    EXPECT_DOUBLE_EQ(f.scale, 10);
    EXPECT_NEAR(f.PixelX(0), 0, 1e-9);
    EXPECT_NEAR(f.PixelY(10), 0, 1e-9);
    // Only the longer side given: the view's own aspect.
    f = FrameForView(view, 256, 0);
    EXPECT_EQ(f.width, 256);
    EXPECT_EQ(f.height, 118);
    // Extents: centred with a margin, the other side following the aspect.
    Box2 extents;
    extents.Add(-10, 5), extents.Add(30, 25);
    f = FrameFor(extents, 256, 0);
    EXPECT_EQ(f.width, 256);
    EXPECT_EQ(f.height, 128);
    EXPECT_NEAR(f.PixelX(10), 128, 1e-9);
    EXPECT_GT(f.PixelX(-10), 0);
    EXPECT_LT(f.PixelX(30), 256);
    // A point, or spans past any double: a finite frame.
    for (const auto& [x0, x1] : {std::pair{3.0, 3.0}, std::pair{-1e308, 1e308}}) {
        Box2 odd;
        odd.Add(x0, 0), odd.Add(x1, 0);
        f = FrameFor(odd, 64, 0);
        EXPECT_TRUE(std::isfinite(f.scale) && f.scale > 0) << x0;
        EXPECT_EQ(f.width, 64);
        EXPECT_GE(f.height, 1);
    }
}

// Pictures that must equal the picture of plain lines: the insert machinery is checked
// against geometry placed by hand.
TEST(DrawPicture, InsertsEqualTheirGeometryPlacedByHand) {
    const Pairs tick = Line(0, 0, 2, 1, 0);  // BYBLOCK: takes the insert's colour
    const Pairs frame = Line(-10, -10, 40, 30, 8);
    struct Row {
        const char* what;
        Pairs blocks, inserts, byHand;
    };
    const std::vector<Row> rows = {
        {"moved, coloured by the insert",
         Block("T", tick),
         {{0, "INSERT"}, {2, "T"}, {62, "3"}, {10, "5"}, {20, "6"}},
         Line(5, 6, 7, 7, 3)},
        {"base point, scale -1, turned 90 degrees",
         Block("T", tick, 1),
         {{0, "INSERT"}, {2, "t"}, {62, "1"}, {10, "5"}, {20, "6"}, {41, "-1"}, {50, "90"}},
         Line(5, 7, 4, 5, 1)},
        {"a 3 x 2 array",
         Block("T", tick),
         {{0, "INSERT"}, {2, "T"}, {62, "2"}, {70, "3"}, {71, "2"}, {44, "10"}, {45, "5"}},
         Line(0, 0, 2, 1, 2) + Line(10, 0, 12, 1, 2) + Line(20, 0, 22, 1, 2) + Line(0, 5, 2, 6, 2) +
             Line(10, 5, 12, 6, 2) + Line(20, 5, 22, 6, 2)},
        {"nested, scaled twice, layer 0 taking the insert's layer",
         Block("T", tick) + Block("U", Pairs{{0, "INSERT"},
                                             {8, "0"},
                                             {62, "0"},
                                             {2, "T"},
                                             {41, "2"},
                                             {42, "2"},
                                             {10, "1"}}),
         {{0, "INSERT"}, {2, "U"}, {8, "Green"}, {62, "256"}, {41, "1.5"}, {42, "1.5"}},
         Line(1.5, 0, 7.5, 3, 3)},
    };
    const Pairs layers = {{0, "TABLE"}, {2, "LAYER"}, {0, "LAYER"}, {2, "Green"},
                          {62, "3"},    {70, "0"},    {0, "ENDTAB"}};
    for (const Row& row : rows) {
        const RgbaImage inserted = Drawn(Drawing(frame + row.inserts, row.blocks, layers));
        const RgbaImage byHand = Drawn(Drawing(frame + row.byHand, {}, layers));
        EXPECT_EQ(inserted.pixels, byHand.pixels) << row.what;
        EXPECT_NE(inserted.pixels, Drawn(Drawing(frame, {}, layers)).pixels) << row.what;
    }
}

TEST(DrawPicture, LayersAndSpaces) {
    const Pairs layers = {{0, "TABLE"}, {2, "LAYER"}, {0, "LAYER"},  {2, "Off"}, {62, "-1"},
                          {70, "0"},    {0, "LAYER"}, {2, "Frozen"}, {62, "2"},  {70, "1"},
                          {0, "LAYER"}, {2, "Blue"},  {62, "5"},     {70, "0"},  {0, "ENDTAB"}};
    const Pairs lines = Line(0, 0, 10, 10, 256, "Off") + Line(0, 10, 10, 0, 256, "frozen") +
                        Line(0, 5, 10, 5, 256, "Blue");
    const RgbaImage image = Drawn(Drawing(lines, {}, layers));
    EXPECT_EQ(Pixel(image, 0, 0), kGround);
    EXPECT_GT(Inked(image, 0x0000FF), 100u);
    EXPECT_EQ(Inked(image, 0xFF0000) + Inked(image, 0xFFFF00), 0u);

    // $TILEMODE 0: the layout's entities; model space otherwise.
    const Pairs both = Line(0, 0, 10, 0, 1) + Pairs{{0, "LINE"}, {67, "1"}, {62, "5"}, {11, "5"}};
    const RgbaImage paper = Drawn(Drawing(both, {}, {}, {{9, "$TILEMODE"}, {70, "0"}}));
    EXPECT_GT(Inked(paper, 0x0000FF), 0u);
    EXPECT_EQ(Inked(paper, 0xFF0000), 0u);
    const RgbaImage model = Drawn(Drawing(both));
    EXPECT_EQ(Inked(model, 0x0000FF), 0u);
    EXPECT_GT(Inked(model, 0xFF0000), 0u);
}

TEST(DrawPicture, FrameFromTheViewOrTheExtents) {
    const auto view = [](const char* height, const char* centre = "50") {
        return Pairs{{0, "TABLE"}, {2, "VPORT"}, {0, "VPORT"}, {2, "*Active"}, {12, centre},
                     {22, centre}, {40, height}, {41, "1"},    {0, "ENDTAB"}};
    };
    const Pairs diagonal = Line(0, 0, 100, 100, 7);
    const DrawRequest square{100, 100, true};
    // The view (0..100 square) shows the diagonal corner to corner.
    const RgbaImage viewed = Drawn(Drawing(diagonal, {}, view("100")), square);
    EXPECT_EQ(Pixel(viewed, 0, 99), 0xFFFFFFu);
    EXPECT_EQ(Pixel(viewed, 99, 0), 0xFFFFFFu);
    // A view of zero height, or one nothing drawn meets, gives way to the extents, with a
    // margin; an XLINE is no part of them.
    const Pairs xline = {{0, "XLINE"}, {10, "500.5"}, {20, "0"}, {11, "0"}, {21, "1"}};
    const RgbaImage extents = Drawn(Drawing(diagonal, {}, {}), square);
    EXPECT_EQ(Drawn(Drawing(diagonal, {}, view("0")), square).pixels, extents.pixels);
    EXPECT_EQ(Drawn(Drawing(diagonal, {}, view("1", "5000")), square).pixels, extents.pixels);
    EXPECT_EQ(Pixel(extents, 0, 99), kGround);
    EXPECT_EQ(Pixel(extents, 49, 50), 0xFFFFFFu);
    const RgbaImage withXline = Drawn(Drawing(diagonal + xline, {}, {}), square);
    EXPECT_EQ(Pixel(withXline, 49, 50), 0xFFFFFFu);
    EXPECT_EQ(Pixel(withXline, 3, 96), Pixel(extents, 3, 96));
    // An XLINE alone: framed by the view it crosses, or by its base point.
    const RgbaImage xlineViewed = Drawn(Drawing(xline, {}, view("100", "500")), square);
    EXPECT_EQ(Pixel(xlineViewed, 50, 20), 0xFFFFFFu);
    EXPECT_NE(Pixel(Drawn(Drawing(xline), square), 50, 20), kGround);

    // Seen from +X along its saved view: a line up the Z axis stands upright.
    const Pairs side = {{0, "TABLE"}, {2, "VPORT"}, {0, "VPORT"}, {2, "*ACTIVE"},
                        {16, "1"},    {26, "0"},    {36, "0"},    {0, "ENDTAB"}};
    const RgbaImage upright =
        Drawn(Drawing(Pairs{{0, "LINE"}, {62, "7"}, {30, "0"}, {31, "10"}}, {}, side), square);
    for (const int y : {10, 90}) {  // half on each side of the picture's middle
        EXPECT_EQ(Pixel(upright, 49, y), Pixel(upright, 50, y));
        EXPECT_GT(Pixel(upright, 50, y) >> 16, 0x80u);
    }
}

TEST(DrawPicture, HostileDrawingsGiveAPicture) {
    const Pairs self = Block("A", Pairs{{0, "INSERT"}, {2, "B"}} + Line(0, 0, 1, 1)) +
                       Block("B", Pairs{{0, "INSERT"}, {2, "A"}, {41, "2"}});
    const Pairs huge = Block("H", Line(0, 0, 1, 1));
    struct Row {
        const char* what;
        std::string drawing;
        bool ranOut;
    };
    Pairs named;  // more layer and block names than are kept
    for (int i = 0; i < 70000; ++i) {
        const std::string name = std::to_string(i);
        const Pairs more = Line(i, 0, i, 1, 256, name) + Pairs{{0, "INSERT"}, {2, name}};
        named.insert(named.end(), more.begin(), more.end());
    }
    const std::vector<Row> rows = {
        {"70000 names", Drawing(named), false},
        {"cycle", Drawing(Pairs{{0, "INSERT"}, {2, "A"}}, self), false},
        {"60000 x 60000 array of dots",
         Drawing(Pairs{{0, "INSERT"}, {2, "H"}, {70, "60000"}, {71, "60000"}, {44, "2"}, {45, "2"}},
                 huge),
         false},
        {"60000 x 60000 array drawn over itself, far past a small view",
         Drawing(Pairs{{0, "INSERT"},
                       {2, "H"},
                       {41, "1e60"},
                       {42, "1e60"},
                       {70, "60000"},
                       {71, "60000"},
                       {44, "0.001"},
                       {45, "0.001"}},
                 huge,
                 {{0, "TABLE"},
                  {2, "VPORT"},
                  {0, "VPORT"},
                  {2, "*ACTIVE"},
                  {12, "0.5"},
                  {22, "0.5"},
                  {40, "1"},
                  {41, "1"},
                  {0, "ENDTAB"}}),
         true},
        {"one point", Drawing(Line(3, 4, 3, 4)), false},
        {"1e308", Drawing(Line(0, 0, 1e308, -1e308) + Line(1, 1, 2, 2)), false},
        {"missing block", Drawing(Pairs{{0, "INSERT"}, {2, "Nowhere"}} + Line(0, 0, 1, 1)), false},
    };
    for (const Row& row : rows) {
        const DxfPicture picture = PictureOf(row.drawing);
        ASSERT_TRUE(picture.drawn) << row.what;
        EXPECT_EQ(picture.report.budgetRanOut, row.ranOut) << row.what;
        EXPECT_GT(picture.drawn->width, 0);
    }
    EXPECT_FALSE(PictureOf(Drawing({})).drawn);

    // Every cut and every byte changed: a picture, nothing, or the damaged-DXF error.
    const std::string made =
        Drawing(Pairs{{0, "INSERT"}, {2, "A"}, {70, "3"}, {44, "1"}} + Line(0, 0, 1, 1) +
                    Pairs{{0, "XLINE"}, {11, "1"}, {0, "TEXT"}, {1, "x"}},
                self, {{0, "TABLE"}, {2, "VPORT"}, {0, "VPORT"}, {2, "*ACTIVE"}, {40, "3"}});
    for (std::size_t i = 0; i < made.size(); ++i) {
        for (const std::string& bad :
             {made.substr(0, i), made.substr(0, i) + '\x80' + made.substr(i + 1)}) {
            try {
                const DxfPicture picture = PictureOf(bad, {32, 0, false});
                if (picture.drawn) {
                    EXPECT_EQ(picture.drawn->pixels.size() % 4, 0u);
                }
            } catch (const AppError& error) {
                EXPECT_EQ(error.Kind(), ErrorKind::DamagedDxf) << i;
            }
        }
    }
}

TEST(DrawPicture, StoredPictureAndTellingDxf) {
    const std::string stored = dxftest::Ascii({{0, "SECTION"}, {2, "ENTITIES"}}) +
                               dxftest::Ascii(Line(0, 0, 1, 1)) +
                               dxftest::Ascii({{0, "ENDSEC"},
                                               {0, "SECTION"},
                                               {2, "THUMBNAILIMAGE"},
                                               {90, "4"},
                                               {310, "01020304"},
                                               {0, "ENDSEC"},
                                               {0, "EOF"}});
    DxfPicture picture = PictureOf(stored);
    EXPECT_EQ(picture.stored, std::vector<uint8_t>({1, 2, 3, 4}));
    EXPECT_FALSE(picture.drawn);
    picture = PictureOf(stored, {64, 0, false});
    EXPECT_TRUE(picture.stored.empty());
    ASSERT_TRUE(picture.drawn);
    EXPECT_EQ(picture.drawn->width, 64);

    const auto looks = [](const std::string& text) {
        const std::vector<uint8_t> bytes(text.begin(), text.end());
        MemorySource source(bytes);
        return LooksLikeDxf(source);
    };
    const auto pairs = dxftest::PairsOf(stored);
    const std::vector<uint8_t> binary = dxftest::Binary(pairs, false);
    EXPECT_TRUE(looks(stored));
    EXPECT_TRUE(looks("999\r\nmade\r\n  0\r\nSECTION\r\n"));
    EXPECT_TRUE(looks(std::string(binary.begin(), binary.end())));
    EXPECT_FALSE(looks("AC1015\0\0\0\0"));
    EXPECT_FALSE(looks("0\nLINE\n"));
    EXPECT_FALSE(looks(""));
}

}  // namespace
