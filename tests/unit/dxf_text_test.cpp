// Text in the stroke font: the bytes decoded by code page and escapes, MTEXT's format codes
// stripped, and the strokes placed where each alignment puts them, checked by their extents.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "Fixtures.h"
#include "dxf/DxfTextDecode.h"
#include "dxf/DxfTextOutlines.h"
#include "preview/ByteSource.h"

namespace {

DxfEntity Entity(const std::string& type, const std::vector<std::pair<int, std::string>>& pairs) {
    DxfEntity e;
    e.type = type;
    for (const auto& [code, value] : pairs) {
        DxfPair p;
        p.code = code;
        p.type = DxfTypeOf(code);
        if (p.type == DxfType::Double)
            p.real = std::stod(value);
        else if (p.type == DxfType::String)
            p.text = value;
        else
            p.integer = std::stoll(value);
        if (code == 210) e.extrusion.x = p.real;  // the reader keeps the extrusion apart
        if (code == 220) e.extrusion.y = p.real;
        if (code == 230) e.extrusion.z = p.real;
        e.pairs.push_back(p);
    }
    return e;
}

bool AllFinite(const DxfOutlines& out) {
    for (const DxfRun& run : out.runs) {
        for (const DxfPoint& p : run.points) {
            if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) return false;
        }
    }
    return true;
}

struct Extents {
    double minX = std::numeric_limits<double>::infinity(), minY = minX;
    double maxX = -minX, maxY = -minX;
    std::size_t runs = 0, boxes = 0;
};

Extents ExtentsOf(const DxfOutlines& out) {
    Extents e;
    for (const DxfRun& run : out.runs) {
        ++e.runs;
        e.boxes += run.closed;
        for (const DxfPoint& p : run.points) {
            e.minX = std::min(e.minX, p.x), e.maxX = std::max(e.maxX, p.x);
            e.minY = std::min(e.minY, p.y), e.maxY = std::max(e.maxY, p.y);
        }
    }
    return e;
}

Extents Draw(const DxfEntity& entity, std::string_view codePage = "ANSI_1252") {
    DxfOutlines out;
    TextOutlinesOf(entity, codePage, out);
    return ExtentsOf(out);
}

// Lines joined by "|".
std::u32string Decoded(const std::string& kind, const std::string& bytes,
                       const std::string& codePage) {
    const std::u32string raw = DecodeCodePage(bytes, codePage);
    if (kind == "TEXT") return TextCharacters(raw, codePage);
    std::u32string joined;
    for (const std::u32string& line : MtextLines(raw, codePage)) {
        joined += (joined.empty() ? U"" : U"|") + line;
    }
    return joined;
}

TEST(DxfText, DecodesBytesEscapesAndFormatCodes) {
    const struct {
        const char *kind, *codePage;
        std::string bytes;
        std::u32string expected;
    } rows[] = {
        {"TEXT", "ANSI_1252", "\xB0\x80\xE9\x81", U"\u00B0\u20AC\u00E9\u0081"},
        {"TEXT", "ansi_1251", "\xC0\xFF", U"\u0410\u044F"},
        {"TEXT", "ANSI_1250", "\x8A\xB3", U"\u0160\u0142"},
        {"TEXT", "", "\xE9", U"\u00E9"},  // no page: 1252
        // Two double-byte characters, one katakana byte; 0x5C as a trail byte is no escape.
        {"TEXT", "ANSI_932",
         "\x93\xFA\x96\x7B"
         "A\xB1\x83\x5C"
         "U+0041",
         U"\u3013\u3013A\uFF71\u3013U+0041"},
        {"TEXT", "ANSI_932", "\x93", U"\uFFFD"},  // a lead byte cut off
        {"TEXT", "UTF-8", "\xE6\x97\xA5\xC3\xA9\xC3(\xED\xA0\x80",
         U"\u65E5\u00E9\uFFFD(\uFFFD\uFFFD\uFFFD"},
        {"TEXT", "ANSI_1252", "\\U+00B0x \\u+65e5 \\U+00G0", U"\u00B0x \u65E5 \\U+00G0"},
        {"TEXT", "ANSI_1252", "\\M+18140", U"\u3013"},
        {"TEXT", "ANSI_1252", "%%c10 %%D %%p %%% %%uA%%o %%065 %%x",
         U"\u230010 \u00B0 \u00B1 % A A %%x"},
        {"TEXT", "ANSI_1252", "a^ b^Ic^", U"a^b\tc^"},
        {"MTEXT", "ANSI_1252", "{\\fArial|b1|i0|c0|p34;Bold}\\Pline^Jthird", U"Bold|line|third"},
        {"MTEXT", "ANSI_1252", "\\S1^2;+\\S3/4;+\\S5#6;+\\S^7;", U"1/2+3/4+5/6+7"},
        {"MTEXT", "ANSI_1252", "\\H2.5x;\\C1;\\c255;\\W0.8;\\Q15;\\T1.1;\\A1;\\pxi-3,l3;x", U"x"},
        {"MTEXT", "ANSI_1252", "\\L\\l\\O\\o\\K\\ka\\~b \\\\\\{\\}%%d\\U+2205",
         U"a b \\{}\u00B0\u2205"},
        {"MTEXT", "ANSI_1252", "\\fArial", U""},  // a setting with no ";" ends the text
        {"MTEXT", "ANSI_932", "\x83\x5CP\\P", U"\u3013P|"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.bytes);
        EXPECT_EQ(Decoded(row.kind, row.bytes, row.codePage), row.expected);
    }
    DxfHeader header;
    header.codePage = "ANSI_1252";
    header.releaseCode = "1018";
    EXPECT_EQ(TextCodePage(header), "ANSI_1252");
    header.releaseCode = "1021";
    EXPECT_EQ(TextCodePage(header), "UTF-8");
}

TEST(DxfText, AlignmentPutsTheExtentsWhereTheyBelong) {
    // "HH" in the font: cap height 21 units, advance 44, ink from 4 to 40; height 21 makes a
    // font unit a drawing unit.
    const auto text = [](std::vector<std::pair<int, std::string>> extra) {
        std::vector<std::pair<int, std::string>> pairs = {{10, "100"}, {20, "50"}, {11, "0"},
                                                          {21, "0"},   {40, "21"}, {1, "HH"}};
        pairs.insert(pairs.end(), extra.begin(), extra.end());
        return Entity("TEXT", pairs);
    };
    const struct {
        const char* name;
        DxfEntity entity;
        double minX, minY, maxX, maxY;
    } rows[] = {
        {"left baseline at 10", text({}), 104, 50, 140, 71},
        {"centre at 11", text({{72, "1"}}), -18, 0, 18, 21},
        {"right top", text({{72, "2"}, {73, "3"}}), -40, -21, -4, 0},
        {"middle", text({{72, "4"}}), -18, -10.5, 18, 10.5},
        {"bottom", text({{73, "1"}}), 4, 7, 40, 28},
        {"rotated 90", text({{50, "90"}}), 100 - 21, 54, 100, 90},
        {"width factor 2", text({{41, "2"}}), 108, 50, 180, 71},
        {"oblique 45", text({{51, "45"}}), 104, 50, 161, 71},
        {"mirrored in x", text({{71, "2"}}), 60, 50, 96, 71},
        {"upside down", text({{71, "4"}}), 104, 29, 140, 50},
        {"aligned",
         Entity("TEXT",
                {{10, "0"}, {20, "0"}, {11, "88"}, {21, "0"}, {40, "5"}, {72, "3"}, {1, "HH"}}),
         8, 0, 80, 42},
        {"fit",
         Entity("TEXT",
                {{10, "0"}, {20, "0"}, {11, "88"}, {21, "0"}, {40, "5"}, {72, "5"}, {1, "HH"}}),
         8, 0, 80, 5},
        {"extrusion -Z", text({{230, "-1"}}), -140, 50, -104, 71},
        {"attribute: vertical from 74",
         Entity("ATTRIB", {{11, "0"}, {21, "0"}, {40, "21"}, {1, "HH"}, {73, "3"}, {74, "2"}}), 4,
         -10.5, 40, 10.5},
        {"attribute definition: its tag", Entity("ATTDEF", {{40, "21"}, {1, "HHHH"}, {2, "HH"}}), 4,
         0, 40, 21},
        {"a hidden definition still shows its tag",
         Entity("ATTDEF", {{40, "21"}, {70, "1"}, {2, "HH"}}), 4, 0, 40, 21},
        {"a tab takes a space's room", Entity("TEXT", {{40, "21"}, {1, "H^IH"}}), 4, 0, 56, 21},
        {"mtext top left", Entity("MTEXT", {{10, "5"}, {20, "5"}, {40, "21"}, {1, "HH"}}), 9, -16,
         45, 5},
        {"mtext middle centre", Entity("MTEXT", {{40, "21"}, {71, "5"}, {1, "HH"}}), -18, -10.5, 18,
         10.5},
        // Two lines 35 apart (5/3 of the height); the last one's baseline on the point.
        {"mtext bottom right", Entity("MTEXT", {{40, "21"}, {71, "9"}, {1, "H\\PHH"}}), -40, 0, -4,
         56},
        {"mtext along 11",
         Entity("MTEXT", {{11, "0"}, {21, "2"}, {40, "21"}, {71, "7"}, {1, "HH"}}), -21, 4, 0, 40},
        {"mtext wrapped at 41", Entity("MTEXT", {{40, "21"}, {41, "50"}, {71, "7"}, {1, "HH HH"}}),
         4, 0, 40, 56},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const Extents e = Draw(row.entity);
        EXPECT_GT(e.runs, 0u);
        EXPECT_NEAR(e.minX, row.minX, 1e-9);
        EXPECT_NEAR(e.minY, row.minY, 1e-9);
        EXPECT_NEAR(e.maxX, row.maxX, 1e-9);
        EXPECT_NEAR(e.maxY, row.maxY, 1e-9);
    }
}

TEST(DxfText, MissingGlyphsInvisibleAndHostileText) {
    // The font lacks Japanese: a box each, a wide one (20 of 24 units) for a wide character.
    const Extents boxes = Draw(Entity("TEXT", {{40, "21"}, {1, "\\U+65E5\\U+0E01"}}));
    EXPECT_EQ(boxes.boxes, 2u);
    EXPECT_NEAR(boxes.maxX - boxes.minX, 24 + 18 - 4, 1e-9);
    EXPECT_NEAR(boxes.maxY, 21, 1e-9);
    // Greek, Cyrillic and accented Latin letters have glyphs.
    const Extents letters = Draw(Entity("TEXT", {{1, "\\U+03A9\\U+0416\\U+00E9\\U+0401\\U+0419"}}));
    EXPECT_GT(letters.runs, 5u);
    EXPECT_EQ(letters.boxes, 0u);

    EXPECT_EQ(Draw(Entity("ATTRIB", {{70, "1"}, {1, "hidden"}})).runs, 0u);
    EXPECT_EQ(Draw(Entity("LINE", {{1, "not text"}})).runs, 0u);
    EXPECT_EQ(Draw(Entity("TEXT", {{1, "%%u^J"}})).runs, 0u);

    // Numbers that overflow the placement never give points at infinity.
    const DxfEntity hostile[] = {
        Entity("TEXT", {{10, "1.7e308"}, {40, "1e99"}, {41, "1e308"}, {1, "HH"}}),
        Entity("TEXT", {{11, "1e200"}, {40, "1e-300"}, {72, "3"}, {1, "H"}}),
        Entity("TEXT", {{11, "1e200"}, {40, "1e-300"}, {72, "5"}, {50, "1e308"}, {1, "H"}}),
        Entity("MTEXT", {{11, "1e308"},
                         {21, "1e308"},
                         {40, "1e300"},
                         {41, "1e-300"},
                         {44, "1e308"},
                         {1, "H H\\PH"}}),
        Entity("MTEXT", {{10, "1e308"}, {40, "1e99"}, {71, "-7"}, {1, "H\\PH\\PH"}}),
    };
    for (const DxfEntity& entity : hostile) {
        DxfOutlines out;
        TextOutlinesOf(entity, "ANSI_1252", out);
        EXPECT_TRUE(AllFinite(out)) << entity.pairs[0].real;
    }

    // A megabyte of text is cut at the cap: "H" is three strokes.
    const std::string mega(1 << 20, 'H');
    EXPECT_EQ(Draw(Entity("TEXT", {{1, mega}})).runs, 3 * kMaxTextChars);
    std::vector<std::pair<int, std::string>> chunks(64, {3, std::string(1 << 14, 'H')});
    chunks.push_back({1, "\\PH"});
    EXPECT_EQ(Draw(Entity("MTEXT", chunks)).runs, 3 * kMaxTextChars);
}

// Every text of the real drawings draws, within sight of where it stands.
TEST(DxfText, RealDrawingsGiveStrokes) {
    const auto dir = DxfFixturesDir();
    if (!std::filesystem::is_directory(dir)) GTEST_SKIP() << "no DXF fixtures at " << dir;
    for (const char* name : {"entities-2007/Text.dxf", "example_r12.dxf", "example_2000.dxf",
                             "example_2018.dxf", "binary_r2000.dxf"}) {
        SCOPED_TRACE(name);
        std::ifstream in(dir / name, std::ios::binary);
        const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
        MemorySource source(bytes);
        std::vector<DxfEntity> texts;
        const DxfDrawing drawing = ReadDxf(source, [&](const DxfEntity& e) {
            if (e.type == "TEXT" || e.type == "MTEXT" || e.type == "ATTRIB") texts.push_back(e);
        });
        ASSERT_FALSE(texts.empty());
        for (const DxfEntity& e : texts) {
            DxfOutlines out;
            TextOutlinesOf(e, TextCodePage(drawing.header), out);
            EXPECT_GT(out.runs.size(), 0u) << e.handle;
        }
    }
    // The MTEXT: 0.2 high, wrapped at 13.03, its top left corner at (7.33, 14.12).
    std::ifstream in(dir / "entities-2007/Text.dxf", std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    MemorySource source(bytes);
    DxfOutlines out;
    ReadDxf(source, [&](const DxfEntity& e) { TextOutlinesOf(e, "UTF-8", out); });
    const Extents e = ExtentsOf(out);
    EXPECT_NEAR(e.minX, 7.333, 0.05);
    EXPECT_NEAR(e.maxY, 14.116, 0.01);
    EXPECT_LT(e.maxX, 7.333 + 13.032);
    EXPECT_GT(e.maxX, 7.333 + 10);
    EXPECT_LT(e.minY, 14.116 - 0.2 * 5 / 3);  // at least two lines
}

}  // namespace
