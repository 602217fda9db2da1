// The DXF reader: the real drawings against counts made apart from it, one made drawing in all
// four spellings, and hostile input that must give a result or the damaged-DXF error.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "DxfBuilder.h"
#include "bitmap_bmp_builder.h"
#include "Fixtures.h"
#include "dxf/DxfReader.h"
#include "dxf/DxfShapes.h"
#include "preview/ByteSource.h"

namespace {

using dxftest::Ascii;
using dxftest::PairsOf;

struct Read {
    DxfDrawing drawing;
    std::vector<DxfEntity> entities;
    std::string modelCounts;  // "LINE:3 TEXT:1", types sorted
};

Read ReadAll(std::span<const uint8_t> bytes) {
    MemorySource source(bytes);
    Read read;
    read.drawing = ReadDxf(source, [&](const DxfEntity& e) { read.entities.push_back(e); });
    std::map<std::string, int> counts;
    for (const DxfEntity& e : read.entities) {
        if (!e.paperSpace) ++counts[e.type];
    }
    for (const auto& [type, n] : counts) {
        read.modelCounts += (read.modelCounts.empty() ? "" : " ") + type + ":" + std::to_string(n);
    }
    return read;
}

// Counted with awk over each ASCII file's group-0 pairs by section (records with 67 = 1 left
// out), and for the binary files with a separate Python decoding of their pairs.
TEST(DxfRead, RealDrawingsMatchCountsMadeApart) {
    const struct {
        const char* file;
        const char* release;
        std::size_t layers, blocks;
        const char* counts;
    } rows[] = {
#define EXAMPLE_2000_ON                                                                       \
    "3DFACE:2 3DSOLID:1 ACAD_TABLE:1 ARC:2 ARC_DIMENSION:1 ATTDEF:2 ATTRIB:2 DIMENSION:9 "    \
    "ELLIPSE:1 HATCH:1 INSERT:10 LIGHT:1 LINE:8 LWPOLYLINE:11 MLINE:1 MTEXT:1 MULTILEADER:1 " \
    "POINT:1 POLYLINE:2 RAY:1 REGION:2 SEQEND:4 SOLID:1 SPLINE:2 TEXT:2 TOLERANCE:1 "         \
    "VERTEX:13 WIPEOUT:2 XLINE:1"
        {"example_2000.dxf", "1015", 5, 16, EXAMPLE_2000_ON},
        {"example_2004.dxf", "1018", 5, 16, EXAMPLE_2000_ON},
        {"example_2007.dxf", "1021", 5, 16, EXAMPLE_2000_ON},
        {"example_2010.dxf", "1024", 5, 16, EXAMPLE_2000_ON},
        {"example_2013.dxf", "1027", 5, 16, EXAMPLE_2000_ON},
        {"example_2018.dxf", "1032", 5, 16, EXAMPLE_2000_ON},
        {"example_r12.dxf", "1009", 5, 40,
         "3DFACE:2 ARC:2 ATTDEF:2 ATTRIB:2 DIMENSION:9 INSERT:19 LINE:10 POINT:1 POLYLINE:16 "
         "SEQEND:18 SOLID:1 TEXT:2 VERTEX:4334"},
        {"example_r13.dxf", "1012", 5, 18,
         "3DFACE:2 3DSOLID:1 ARC:2 ATTDEF:2 ATTRIB:2 DIMENSION:9 ELLIPSE:1 INSERT:14 LINE:8 "
         "MLINE:1 MTEXT:1 POINT:1 POLYLINE:13 RAY:1 REGION:2 SEQEND:15 SOLID:1 SPLINE:2 TEXT:2 "
         "TOLERANCE:1 VERTEX:3725 WIPEOUT:2 XLINE:1"},
        {"example_r14.dxf", "1014", 5, 16,
         "3DFACE:2 3DSOLID:1 ACAD_PROXY_ENTITY:1 ARC:2 ATTDEF:2 ATTRIB:2 DIMENSION:9 ELLIPSE:1 "
         "HATCH:1 INSERT:12 LINE:8 LWPOLYLINE:11 MLINE:1 MTEXT:1 POINT:1 POLYLINE:2 RAY:1 "
         "REGION:2 SEQEND:4 SOLID:1 SPLINE:2 TEXT:2 TOLERANCE:1 VERTEX:13 WIPEOUT:2 XLINE:1"},
        {"binary_r12.dxf", "1009", 1, 2, "LINE:3"},
        {"binary_r13.dxf", "1012", 1, 2, "LINE:3"},
        {"binary_r14.dxf", "1014", 1, 2, "LINE:3"},
        {"binary_r2000.dxf", "1015", 2, 2, "TEXT:1"},
        {"entities-2007/Arc.dxf", "1021", 1, 3, "ARC:1"},
        {"entities-2007/Constraints.dxf", "1021", 1, 3, "CIRCLE:1 LINE:1"},
        {"entities-2007/ConstructionLine.dxf", "1021", 1, 3, "XLINE:1"},
        {"entities-2007/Donut.dxf", "1021", 1, 3, "LWPOLYLINE:1"},
        {"entities-2007/Ellipse.dxf", "1021", 1, 3, "ELLIPSE:1"},
        {"entities-2007/Helix.dxf", "1021", 1, 3, "HELIX:1"},
        {"entities-2007/Leader.dxf", "1021", 1, 4,
         "IMAGE:5 LEADER:1 LINE:1 LWPOLYLINE:1 MTEXT:1 MULTILEADER:1"},
        {"entities-2007/Line.dxf", "1021", 1, 3, "LINE:1"},
        {"entities-2007/Polygon.dxf", "1021", 1, 3, "LWPOLYLINE:1"},
        {"entities-2007/Polyline.dxf", "1021", 1, 3, "LWPOLYLINE:1"},
        {"entities-2007/RAY.dxf", "1021", 1, 3, "RAY:1"},
        {"entities-2007/Text.dxf", "1021", 1, 3, "MTEXT:1"},
        {"entities-2007/circle.dxf", "1021", 1, 3, "CIRCLE:1"},
    };
    const auto dir = DxfFixturesDir();
    if (!std::filesystem::is_directory(dir)) GTEST_SKIP() << "no DXF fixtures at " << dir;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.file);
        const auto bytes = ReadFileBytes(dir / row.file);
        const Read read = ReadAll(bytes);
        const bool binary = std::string(row.file).starts_with("binary");
        EXPECT_EQ(read.drawing.format, binary ? DxfFormat::Binary : DxfFormat::Ascii);
        EXPECT_TRUE(read.drawing.complete);
        EXPECT_EQ(read.drawing.header.releaseCode, row.release);
        EXPECT_EQ(read.drawing.layers.size(), row.layers);
        EXPECT_EQ(read.drawing.blocks.size(), row.blocks);
        EXPECT_EQ(read.modelCounts, row.counts);
        MemorySource source(bytes);
        for (const DxfBlock& block : read.drawing.blocks) {
            EXPECT_LE(block.begin, block.end);
            EXPECT_EQ(read.drawing.FindBlock(block.name)->begin, block.begin);
            ReadDxfBlock(source, block, [](const DxfEntity& e) { EXPECT_FALSE(e.type.empty()); });
        }
    }
}

// A 2 x 2 DIB as a THUMBNAILIMAGE section writes it: its size, then hex in chunks.
const std::vector<uint8_t> kDib = [] {
    const auto file = bmptest::Rgb24().Build();
    return std::vector<uint8_t>(file.begin() + 14, file.end());
}();
std::string Thumbnail() {
    std::vector<std::pair<int, std::string>> pairs = {
        {0, "SECTION"}, {2, "THUMBNAILIMAGE"}, {90, std::to_string(kDib.size())}};
    for (std::size_t i = 0; i < kDib.size(); i += 20) {
        std::string hex;
        for (std::size_t j = i; j < std::min(kDib.size(), i + 20); ++j) {
            hex += "0123456789ABCDEF"[kDib[j] >> 4];
            hex += "0123456789abcdef"[kDib[j] & 15];
        }
        pairs.emplace_back(310, hex);
    }
    pairs.emplace_back(0, "ENDSEC");
    return Ascii(pairs);
}

// One drawing with everything the reader keeps, spelled four ways: all must read alike.
// clang-format off
const std::string kMade = Ascii({
    {999, "made by the tests"}, {0, "SECTION"}, {2, "HEADER"}, {9, "$ACADVER"}, {1, "AC1018"},
    {9, "$DWGCODEPAGE"}, {3, "ANSI_932"}, {9, "$TILEMODE"}, {70, "1"}, {9, "$EXTMIN"},
    {10, "-1.5"}, {20, "2"}, {30, "0"}, {0, "ENDSEC"}, {0, "SECTION"}, {2, "TABLES"}, {0, "TABLE"},
    {2, "VPORT"}, {70, "1"}, {0, "VPORT"}, {2, "*Active"}, {12, "5"}, {22, "6"}, {16, "0"},
    {26, "0"}, {36, "1"}, {17, "1"}, {27, "2"}, {37, "3"}, {40, "20"}, {41, "1.5"}, {51, "30"},
    {0, "ENDTAB"}, {0, "TABLE"}, {2, "LAYER"}, {0, "LAYER"}, {2, "0"}, {62, "7"}, {70, "0"},
    {0, "LAYER"}, {2, "Hidden"}, {62, "-3"}, {70, "1"}, {420, "16711935"}, {0, "ENDTAB"},
    {0, "ENDSEC"}, {0, "SECTION"}, {2, "BLOCKS"}, {0, "BLOCK"}, {8, "0"}, {2, "Self"}, {70, "0"},
    {10, "1"}, {20, "2"}, {30, "0"}, {0, "INSERT"}, {2, "Self"}, {0, "CIRCLE"}, {40, "1"},
    {0, "ENDBLK"}, {0, "ENDSEC"}, {0, "SECTION"}, {2, "ENTITIES"}, {0, "LINE"}, {5, "2A"},
    {102, "{ACAD_REACTORS"}, {330, "99"}, {102, "}"}, {330, "1F"}, {8, "Hidden"}, {62, "0"},
    {420, "255"}, {10, "1e308"}, {20, "2"}, {30, "3"}, {11, "4"}, {21, "5"}, {31, "6"}, {210, "0"},
    {220, "0"}, {230, "-1"}, {0, "CIRCLE"}, {67, "1"}, {10, "1"}, {20, "1"}, {40, "2.5"},
    {0, "ARC"}, {10, "0"}, {20, "0"}, {40, "1"}, {50, "90"}, {51, "180"}, {0, "POINT"}, {10, "7"},
    {20, "8"}, {30, "9"}, {0, "LWPOLYLINE"}, {90, "2147483647"}, {70, "1"}, {43, "0.5"}, {10, "0"},
    {20, "0"}, {42, "1"}, {10, "2"}, {20, "0"}, {40, "0.1"}, {41, "0.2"}, {1001, "APP"},
    {1010, "9"}, {0, "TEXT"}, {10, "1"}, {20, "2"}, {40, "3"}, {1, "abc"}, {50, "45"}, {7, "Std"},
    {72, "1"}, {11, "4"}, {21, "5"}, {73, "2"}, {0, "INSERT"}, {66, "1"}, {2, "Self"}, {10, "1"},
    {20, "2"}, {41, "2"}, {42, "3"}, {50, "90"}, {70, "4"}, {71, "5"}, {44, "10"}, {45, "20"},
    {0, "ATTRIB"}, {1, "v"}, {0, "SEQEND"}, {0, "POLYLINE"}, {66, "1"}, {0, "VERTEX"}, {10, "1"},
    {0, "VERTEX"}, {10, "2"}, {0, "SEQEND"}, {0, "ENDSEC"}, {0, "SECTION"}, {2, "OBJECTS"},
    {0, "DICTIONARY"}, {3, "x"}, {0, "ENDSEC"}}) + Thumbnail() + Ascii({{0, "EOF"}});
// clang-format on

TEST(DxfRead, MadeDrawingAlikeInEverySpelling) {
    const auto pairs = PairsOf(kMade);
    std::string padded;  // codes right-aligned in three columns, CRLF line ends
    for (const auto& [code, value] : pairs) {
        char line[16];
        std::snprintf(line, sizeof line, "%3d\r\n", code);
        padded += line + value + "\r\n";
    }
    const std::vector<std::vector<uint8_t>> spellings = {
        dxftest::Bytes(kMade), dxftest::Bytes(padded), dxftest::Binary(pairs, true),
        dxftest::Binary(pairs, false)};
    for (std::size_t i = 0; i < spellings.size(); ++i) {
        SCOPED_TRACE(i);
        const Read read = ReadAll(spellings[i]);
        const DxfDrawing& d = read.drawing;
        EXPECT_EQ(d.format, i < 2 ? DxfFormat::Ascii : DxfFormat::Binary);
        EXPECT_TRUE(d.complete);
        EXPECT_EQ(d.header.releaseCode, "1018");
        EXPECT_EQ(d.header.codePage, "ANSI_932");
        EXPECT_EQ(d.header.tileMode, 1);
        ASSERT_TRUE(d.header.extMin && !d.header.extMax);
        EXPECT_EQ(d.header.extMin->x, -1.5);
        ASSERT_TRUE(d.activeViewport);
        const DxfViewport& v = *d.activeViewport;
        EXPECT_EQ(std::vector<double>({v.centre.x, v.centre.y, v.direction.z, v.target.x,
                                       v.target.y, v.target.z, v.height, v.aspect, v.twist}),
                  std::vector<double>({5, 6, 1, 1, 2, 3, 20, 1.5, 30}));
        ASSERT_EQ(d.layers.size(), 2u);
        EXPECT_TRUE(!d.layers[0].off && !d.layers[0].frozen && !d.layers[0].trueColour);
        EXPECT_EQ(d.layers[1].name, "Hidden");
        EXPECT_TRUE(d.layers[1].off && d.layers[1].frozen && d.layers[1].colour == 3);
        EXPECT_EQ(d.layers[1].trueColour, 0xFF00FFu);
        EXPECT_EQ(d.thumbnail, kDib);

        // A block that inserts itself is only indexed: reading it gives its own two records.
        const DxfBlock* self = d.FindBlock("Self");
        ASSERT_TRUE(self && !d.FindBlock("Other"));
        EXPECT_EQ(self->base.y, 2);
        MemorySource source(spellings[i]);
        std::string inBlock;
        ReadDxfBlock(source, *self, [&](const DxfEntity& e) { inBlock += e.type + " "; });
        EXPECT_EQ(inBlock, "INSERT CIRCLE ");

        EXPECT_EQ(read.modelCounts,
                  "ARC:1 ATTRIB:1 INSERT:1 LINE:1 LWPOLYLINE:1 POINT:1 POLYLINE:1 SEQEND:2 "
                  "TEXT:1 VERTEX:2");
        const DxfEntity& lineRecord = read.entities[0];
        EXPECT_EQ(lineRecord.layer, "Hidden");
        EXPECT_EQ(lineRecord.handle, "2A");
        EXPECT_EQ(lineRecord.owner, "1F");  // not the reactor's
        EXPECT_EQ(lineRecord.colour, 0);
        EXPECT_EQ(lineRecord.trueColour, 255u);
        EXPECT_EQ(lineRecord.extrusion.z, -1);
        EXPECT_TRUE(read.entities[1].paperSpace);
        EXPECT_EQ(read.entities[1].colour, 256);

        const auto line = DecodeLine(lineRecord);
        ASSERT_TRUE(line && !DecodeCircle(lineRecord));
        EXPECT_EQ(line->start.x, 1e308);
        EXPECT_EQ(line->end.z, 6);
        EXPECT_EQ(DecodeCircle(read.entities[1])->radius, 2.5);
        EXPECT_EQ(DecodeArc(read.entities[2])->endAngle, 180);
        EXPECT_EQ(DecodePoint(read.entities[3])->at.z, 9);
        const auto poly = DecodeLwPolyline(read.entities[4]);
        ASSERT_TRUE(poly);
        ASSERT_EQ(poly->vertices.size(), 2u);  // whatever its 90 claims
        EXPECT_TRUE(poly->closed);
        EXPECT_EQ(poly->constantWidth, 0.5);
        EXPECT_EQ(poly->vertices[0].bulge, 1);
        EXPECT_EQ(poly->vertices[1].x, 2);  // 1010 is extended data, not a vertex
        EXPECT_EQ(poly->vertices[1].endWidth, 0.2);
        const auto text = DecodeText(read.entities[5]);
        EXPECT_EQ(text->text, "abc");
        EXPECT_EQ(std::vector<double>({text->at.y, text->height, text->rotation, text->alignAt.x}),
                  std::vector<double>({2, 3, 45, 4}));
        EXPECT_EQ(text->vertical, 2);
        const auto insert = DecodeInsert(read.entities[6]);
        EXPECT_EQ(insert->block, "Self");
        EXPECT_TRUE(insert->attributes);
        EXPECT_EQ(std::vector<double>({insert->scaleY, insert->rotation, double(insert->columns),
                                       double(insert->rows), insert->rowSpacing}),
                  std::vector<double>({3, 90, 4, 5, 20}));
    }
}

TEST(DxfRead, EveryCutGivesAResultOrTheDamagedError) {
    std::vector<std::vector<uint8_t>> drawings = {dxftest::Bytes(kMade),
                                                  dxftest::Binary(PairsOf(kMade), true)};
    const auto r12 = DxfFixturesDir() / "binary_r12.dxf";
    if (std::filesystem::exists(r12)) drawings.push_back(ReadFileBytes(r12));
    for (const auto& whole : drawings) {
        for (std::size_t size = 0; size < whole.size(); ++size) {
            try {
                const Read read = ReadAll(std::span(whole.data(), size));
                // Only the last line's LF may go.
                if (size + 1 < whole.size()) {
                    EXPECT_FALSE(read.drawing.complete) << size;
                }
            } catch (const AppError& error) {
                EXPECT_EQ(error.Kind(), ErrorKind::DamagedDxf) << size << " " << error.what();
            }
        }
    }
}

TEST(DxfRead, HostileInput) {
    const std::string entities = Ascii({{0, "SECTION"}, {2, "ENTITIES"}});
    const auto line = [&](const std::string& x) {
        return entities + Ascii({{0, "LINE"}, {10, x}, {0, "ENDSEC"}, {0, "EOF"}});
    };
    const auto thumbnail = [](const std::string& size, const std::string& hex) {
        return Ascii(
            {{0, "SECTION"}, {2, "THUMBNAILIMAGE"}, {90, size}, {310, hex}, {0, "ENDSEC"}});
    };
    const struct {
        const char* name;
        std::string bytes;
        int entities;  // -1: the damaged-DXF error
    } rows[] = {
        {"empty", "", -1},
        {"not a DXF", "\x89PNG\r\n\x1a\n", -1},
        {"NaN", line("nan"), -1},
        {"infinity", line("-inf"), -1},
        {"past a double", line("1e309"), -1},
        {"largest double", line("1.7976931348623157e308"), 1},
        {"code no number", entities + "x0\nLINE\n", -1},
        {"code past 16 bits", entities + "99999\nLINE\n", -1},
        {"integer past its type", entities + Ascii({{0, "LINE"}, {62, "70000"}}), -1},
        {"value missing", entities + "0\n", -1},
        {"line past 64 KiB", entities + "0\n" + std::string(70000, 'L') + "\n", -1},
        {"pair outside a section", Ascii({{2, "HEADER"}}), -1},
        {"no EOF, no ENDSEC", entities + Ascii({{0, "LINE"}, {0, "POINT"}}), 2},
        {"section never ends",
         entities + Ascii({{0, "LINE"}, {0, "SECTION"}, {2, "ENTITIES"}, {0, "ARC"}, {0, "EOF"}}),
         2},
        {"odd hex", thumbnail("1", "0"), -1},
        {"thumbnail past its size", thumbnail("1", "0000"), -1},
        {"thumbnail short of its size", thumbnail("3", "0000"), -1},
        {"thumbnail of 2 GiB", thumbnail("2147483647", "00"), -1},
    };
    for (const auto& row : rows) {
        try {
            const Read read = ReadAll(dxftest::Bytes(row.bytes));
            EXPECT_EQ(static_cast<int>(read.entities.size()), row.entities) << row.name;
        } catch (const AppError& error) {
            EXPECT_EQ(error.Kind(), ErrorKind::DamagedDxf) << row.name;
            EXPECT_EQ(row.entities, -1) << row.name << ": " << error.what();
        }
    }
    // A binary string without its NUL, and one entity of more pairs than the cap.
    auto cut = dxftest::Binary(PairsOf(entities), false);
    cut.pop_back();
    EXPECT_THROW(ReadAll(cut), AppError);
    auto many = dxftest::Binary(PairsOf(entities + Ascii({{0, "LINE"}})), false);
    for (std::size_t i = 0; i < kMaxDxfEntityPairs + 5; ++i) many.insert(many.end(), {34, 1, 1});
    const Read read = ReadAll(many);
    ASSERT_EQ(read.entities.size(), 1u);
    EXPECT_TRUE(read.entities[0].pairsCut);
    EXPECT_EQ(read.entities[0].pairs.size(), kMaxDxfEntityPairs);
}

}  // namespace
