// Writes the seed corpora and dictionaries of the fuzz targets, made with the tests' own
// builders, plus the sample drawing and, where present, the real drawings cut after their
// thumbnails (so a seed stays small; the copies live only in the build folder).
//
//   make_seeds OUT_DIR SAMPLE_DRAWING HELP_SOURCE [FIXTURES_DIR]
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "CompactInput.h"
#include "DrawingBuilder.h"
#include "DwgCompact.h"
#include "DxfBuilder.h"
#include "DxfDrawInput.h"
#include "LongPathInput.h"
#include "PngThumbnailInput.h"
#include "PreviewTestUtil.h"
#include "bitmap/Dib.h"
#include "bitmap_bmp_builder.h"
#include "preview/Preview.h"
#ifdef ORTHOLUX_SEEDS_PNG
#include "PngCodec.h"
#endif

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

class Corpus {
  public:
    Corpus(const fs::path& root, const std::string& target) : dir_(root / target) {
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void Add(const Bytes& bytes) {
        std::ofstream out(dir_ / ("seed-" + std::to_string(count_++)), std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    void Add(const std::string& text) { Add(Bytes(text.begin(), text.end())); }

  private:
    fs::path dir_;
    int count_ = 0;
};

// A libFuzzer dictionary: one quoted token a line, every byte outside printable ASCII escaped.
void WriteDictionary(const fs::path& file, const std::vector<std::string>& tokens) {
    std::ofstream out(file);
    static const char kHex[] = "0123456789ABCDEF";
    for (const std::string& token : tokens) {
        out << '"';
        for (const char c : token) {
            const auto byte = static_cast<unsigned char>(c);
            if (byte >= 0x20 && byte < 0x7F && c != '"' && c != '\\') {
                out << c;
            } else {
                out << "\\x" << kHex[byte >> 4] << kHex[byte & 15];
            }
        }
        out << "\"\n";
    }
}

std::string Le32Text(uint32_t value) {
    std::string out;
    for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>(value >> shift);
    return out;
}

Bytes ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

std::vector<DrawingBuilder> SyntheticDrawings() {
    std::vector<DrawingBuilder> drawings;
    DrawingBuilder plain;
    plain.colorTable = std::vector<uint32_t>(256, 0x00808080);
    plain.colorTable[0] = 0x00000000;
    plain.colorTable[7] = 0x00FFFFFF;
    plain.pixels = {0, 7, 1, 2, 7, 0, 3, 4};
    drawings.push_back(plain);

    DrawingBuilder mono;
    mono.bitCount = 1;
    mono.colorTable = {0x00000000, 0x00FFFFFF};
    mono.pixels = {0x90, 0, 0, 0, 0x60, 0, 0, 0};
    drawings.push_back(mono);

    DrawingBuilder few = plain;
    few.colorsUsed = 3;
    few.colorTable.resize(3);
    few.height = -2;
    drawings.push_back(few);

    DrawingBuilder rgb;
    rgb.bitCount = 24;
    rgb.pixels = bmptest::Sequence(16);
    drawings.push_back(rgb);

    DrawingBuilder core = mono;
    core.headerSize = 12;
    drawings.push_back(core);

    DrawingBuilder whole = plain;  // a length of 0: the whole drawing is the thumbnail
    whole.overrideLength = true;
    drawings.push_back(whole);

    DrawingBuilder old = plain;
    old.releaseCode = "1009";
    drawings.push_back(old);

    DrawingBuilder noBitmap = plain;
    noBitmap.entryCount = 3;
    drawings.push_back(noBitmap);
    return drawings;
}

std::vector<bmptest::Bmp> SyntheticBmps() {
    using namespace bmptest;
    std::vector<Bmp> bmps = {Rgb24(), Indexed8(), Indexed8(16), Indexed8(300)};
    Bmp masks;
    masks.bits = 16;
    masks.compression = 3;
    masks.masks = {0x00, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0};
    masks.pixels = Sequence(8);
    bmps.push_back(masks);
    Bmp rle = Indexed8(4);
    rle.compression = 1;
    rle.pixels = {2, 1, 0, 0, 2, 3, 0, 1};
    rle.sizeImage = 8;
    bmps.push_back(rle);
    Bmp core;
    core.headerSize = 12;
    core.bits = 4;
    core.table = Sequence(48);
    core.pixels = Sequence(8);
    bmps.push_back(core);
    Bmp v5 = Indexed8(3);
    v5.headerSize = 124;
    bmps.push_back(v5);
    return bmps;
}

Bytes PngInput(uint8_t lengthMode, const Bytes& png) {
    Bytes input{lengthMode};
    input.insert(input.end(), png.begin() + fuzz::kPngSignature.size(), png.end());
    return input;
}

// A drawing as the thumbnail-path target reads it: a size (256 unless told), then the drawing
// in the compact form.
Bytes ThumbnailPathInput(const Bytes& drawing, uint16_t size = 256) {
    Bytes input{static_cast<uint8_t>((size - 1) >> 8), static_cast<uint8_t>(size - 1)};
    const Bytes compact = fuzz::EncodeCompact(drawing);
    input.insert(input.end(), compact.begin(), compact.end());
    return input;
}

// A real drawing for the thumbnail-path target, cut after its thumbnail; one whose pixels
// do not fit the targets' 16 KiB in the compact form keeps only its first rows, the
// directory's length cut to match.
Bytes ThumbnailPathRealInput(Bytes drawing) {
    constexpr std::size_t kMaxInput = 16000;
    PreviewInfo info;
    bool ready = false;
    try {
        ready = ReadPreviewHeader(drawing, info) == PreviewOutcome::Ready;
    } catch (const AppError&) {
    }
    if (!ready || info.bitmapLength == 0) {
        drawing.resize(std::min<std::size_t>(drawing.size(), 4096));
        return ThumbnailPathInput(drawing);
    }
    const uint32_t directory = Le32(drawing, 13);
    uint32_t length = info.bitmapLength;
    for (;;) {
        drawing.resize(std::min<std::size_t>(drawing.size(), uint64_t{info.bitmapStart} + length));
        for (int shift = 0; shift < 32; shift += 8) {
            drawing[directory + 35 + shift / 8] = static_cast<uint8_t>(length >> shift);
        }
        Bytes input = ThumbnailPathInput(drawing, 128);
        if (input.size() <= kMaxInput || length <= 2048) return input;
        length /= 2;
    }
}

// A thumbnail made by the BMP builder, behind a drawing's header.
Bytes DrawingOfBmp(const bmptest::Bmp& bmp) {
    const Bytes file = bmp.Build();
    DrawingBuilder drawing;
    drawing.rawThumbnail.assign(file.begin() + 14, file.end());
    return drawing.Build();
}

// Drawings for the thumbnailer's path that the other corpora cannot hold: long run-length
// streams, sizes at the caps, images that must be scaled, PNG thumbnails that decode.
void WriteThumbnailPathSeeds(Corpus& corpus) {
    using bmptest::Bmp;
    Bmp rle;  // 1x1, 16,843,009 moves of 255 columns, then a run: the column once wrapped
              // (cut at kMaxExpanded; the decoders cut it earlier still)
    rle.width = 1;
    rle.height = 1;
    rle.bits = 8;
    rle.compression = 1;
    rle.colorsUsed = 6;
    rle.table = bmptest::Sequence(24, 7);
    for (uint32_t i = 0; i < 16843009; ++i) rle.pixels.insert(rle.pixels.end(), {0, 2, 255, 0});
    rle.pixels.insert(rle.pixels.end(), {1, 5, 0, 1});
    corpus.Add(ThumbnailPathInput(DrawingOfBmp(rle)));

    Bmp rle4;  // runs, literals, moves and ends of row, half-byte indices
    rle4.width = 300;
    rle4.height = 40;
    rle4.bits = 4;
    rle4.compression = 2;
    rle4.table = bmptest::Sequence(64, 3);
    for (int row = 0; row < 40; ++row) {
        rle4.pixels.insert(rle4.pixels.end(), {7, 0x12, 0, 5, 0x34, 0x56, 0x70, 0, 0, 2, 9, 0});
        rle4.pixels.insert(rle4.pixels.end(), {255, 0xAB, 255, 0xCD, 0, 0});
    }
    rle4.pixels.insert(rle4.pixels.end(), {0, 1});
    corpus.Add(ThumbnailPathInput(DrawingOfBmp(rle4), 64));

    // The largest images this build allows (kMaxDibPixels), in three shapes.
    constexpr int kSide = ORTHOLUX_MAX_DIB_SIDE;
    Bmp announced;  // square at 32 bits from a header alone: the largest pixels
    announced.width = kSide;
    announced.height = kSide;
    announced.bits = 32;
    corpus.Add(ThumbnailPathInput(DrawingOfBmp(announced), 4096));

    Bmp wide;  // twice as wide, half as tall, at 24 bits, scaled by one pixel
    wide.width = 2 * kSide;
    wide.height = kSide / 2;
    wide.pixels = bmptest::Sequence(4096);
    corpus.Add(ThumbnailPathInput(DrawingOfBmp(wide), 2 * kSide - 1));

    Bmp tall = bmptest::Indexed8();  // 1 pixel wide, every row "1 index, end of row"
    tall.width = 1;
    tall.height = kSide * kSide;
    tall.compression = 1;
    for (int i = 0; i < 1 << 16; ++i) tall.pixels.insert(tall.pixels.end(), {1, 9, 0, 0});
    corpus.Add(ThumbnailPathInput(DrawingOfBmp(tall), 100));

    DrawingBuilder whole;  // a length of 0: refused before the drawing is read
    whole.pixels = bmptest::Sequence(8);
    whole.overrideLength = true;
    corpus.Add(ThumbnailPathInput(whole.Build()));

#ifdef ORTHOLUX_SEEDS_PNG
    RgbaImage image{300, 200, {}};
    for (int i = 0; i < 300 * 200; ++i) {
        image.pixels.insert(image.pixels.end(), {uint8_t(i), uint8_t(i / 300), 90, uint8_t(i * 7)});
    }
    Bytes png;
    std::string error;
    if (!EncodePngToMemory(image, png, error)) return;
    DrawingBuilder stored;
    stored.releaseCode = "1027";
    stored.rawThumbnail = png;
    corpus.Add(ThumbnailPathInput(stored.Build(), 128));

    // A drawing that is itself a PNG file, with a length of 0: the one such image that decodes.
    // Its directory lies where the IHDR chunk's bytes point, about 5 MB in.
    Bytes itself = png;
    const uint32_t directory = Le32(itself, 13);
    itself.resize(std::max<std::size_t>(itself.size(), std::size_t{directory} + 39), 0);
    itself[directory + 20] = 2;
    corpus.Add(ThumbnailPathInput(itself, 256));

    // Made PNGs (the top bit of the first byte): square and large for the build's cap, one
    // past it, one interlaced, one cut short.
    const auto made = [&](uint16_t size, int side, int height, uint8_t type, uint8_t depth,
                          uint8_t interlace, uint8_t cut) {
        Bytes input{static_cast<uint8_t>(0x80 | (size - 1) >> 8), static_cast<uint8_t>(size - 1)};
        for (const int value : {side - 1, height - 1}) {
            input.push_back(static_cast<uint8_t>(value >> 8));
            input.push_back(static_cast<uint8_t>(value));
        }
        const uint8_t noFlip[] = {0xFF, 0xFF, 0};
        input.insert(input.end(), {type, depth, interlace, cut});
        input.insert(input.end(), std::begin(noFlip), std::end(noFlip));
        const uint8_t rows[] = {255, 255, 255, 0, 0, 0, 40, 90};
        input.insert(input.end(), std::begin(rows), std::end(rows));
        corpus.Add(input);
    };
    made(32, kMaxPictureSide, kMaxPictureSide, 1, 3, 0, 0);
    made(48, kMaxPictureSide + 1, 7, 4, 3, 0, 0);
    made(20, 90, 61, 2, 3, 1, 0);
    made(16, 70, 70, 0, 4, 0, 30);
#endif
}

// Adds a drawing (cut after its thumbnail) and what it yields to the drawing, BMP and PNG
// corpora.
void AddDrawing(const Bytes& drawing, Corpus& drawings, Corpus& bmps, Corpus& pngs) {
    PreviewInfo info;
    try {
        if (ReadPreviewHeader(drawing, info) != PreviewOutcome::Ready) {
            drawings.Add(Bytes(drawing.begin(),
                               drawing.begin() + std::min<std::size_t>(drawing.size(), 4096)));
            return;
        }
        const uint64_t end = uint64_t{info.bitmapStart} + info.bitmapLength;
        const Bytes image = BuildBitmapStream(drawing, info);
        drawings.Add(info.bitmapLength == 0 ? drawing
                                            : Bytes(drawing.begin(), drawing.begin() + end));
        if (info.kind == ImageKind::Png) {
            pngs.Add(PngInput(0, image));
        } else {
            bmps.Add(image);
        }
    } catch (const AppError&) {
        drawings.Add(
            Bytes(drawing.begin(), drawing.begin() + std::min<std::size_t>(drawing.size(), 4096)));
    }
}

void WriteLongPathSeeds(Corpus& corpus) {
    const std::string hyou = "\x95\x5C";  // 表: its trail byte is "\"
    const std::string so = "\x83\x5C";    // ソ
    const std::vector<fuzz::LongPathInput> inputs = {
        {false, "", 'C', {{true, "Program Files"}, {true, "Drawings"}, {false, "Plan one.dwg"}}},
        {false, "", 'D', {{false, hyou}, {true, so + "\x83\x74\x83\x67"}, {true, "PLAN.DWG"}}},
        {false, "", 'E', {{false, "a" + hyou + "b"}, {false, "x.dwg"}}},
        {true, "C:\\PROGRA~1\\" + hyou + "\\PLAN~1.DWG", 'C', {}},
        {true, "AB:C:\\\\srv\\share\\", 'C', {}},
        {false, "", 'F', {{false, "\xE0\x5C"}, {true, "\xFB\x5C\xFC\xFC.dwg"}}},  // 濬, 德
    };
    for (const auto& input : inputs) corpus.Add(fuzz::EncodeLongPathInput(input));
}

// DXF drawings in the compact form: a small one in each spelling, an entity list that runs to
// the drawing's cap, an entity of more pairs than the reader keeps, and the small real ones.
void WriteDxfSeeds(Corpus& corpus, const fs::path& dxfFixtures) {
    const std::string made = dxftest::Ascii(
        {{0, "SECTION"},     {2, "HEADER"}, {9, "$ACADVER"}, {1, "AC1015"},   {0, "ENDSEC"},
         {0, "SECTION"},     {2, "TABLES"}, {0, "TABLE"},    {2, "LAYER"},    {0, "LAYER"},
         {2, "0"},           {62, "-7"},    {0, "ENDTAB"},   {0, "ENDSEC"},   {0, "SECTION"},
         {2, "BLOCKS"},      {0, "BLOCK"},  {2, "B"},        {0, "INSERT"},   {2, "B"},
         {0, "ENDBLK"},      {0, "ENDSEC"}, {0, "SECTION"},  {2, "ENTITIES"}, {0, "LWPOLYLINE"},
         {90, "2147483647"}, {10, "1"},     {20, "2"},       {42, "1e308"},   {0, "POLYLINE"},
         {0, "VERTEX"},      {0, "SEQEND"}, {0, "ENDSEC"},   {0, "SECTION"},  {2, "THUMBNAILIMAGE"},
         {90, "2"},          {310, "BEEF"}, {0, "ENDSEC"},   {0, "EOF"}});
    const auto pairs = dxftest::PairsOf(made);
    corpus.Add(fuzz::EncodeCompact(dxftest::Bytes(made)));
    corpus.Add(fuzz::EncodeCompact(dxftest::Binary(pairs, true)));
    corpus.Add(fuzz::EncodeCompact(dxftest::Binary(pairs, false)));

    const std::string entities = dxftest::Ascii({{0, "SECTION"}, {2, "ENTITIES"}});
    Bytes many = fuzz::EncodeCompact(dxftest::Bytes(entities));
    fuzz::AppendRepeat(
        many, dxftest::Bytes(dxftest::Ascii({{0, "LINE"}, {8, "0"}, {10, "1"}, {20, "2"}})),
        1000000);
    corpus.Add(many);
    // Pairs (70, 1) in two-byte binary: 60,000 of them in one entity.
    auto wide = dxftest::Binary(dxftest::PairsOf(entities + dxftest::Ascii({{0, "LINE"}})), false);
    for (int i = 0; i < 60000; ++i) wide.insert(wide.end(), {70, 0, 1, 0});
    corpus.Add(fuzz::EncodeCompact(wide));

    // One of each kind drawn from its pairs: curves, meshes, splines, hatch paths of every edge.
    const std::string kinds = dxftest::Ascii(
        {{0, "SECTION"}, {2, "ENTITIES"}, {0, "ARC"},    {40, "2"},     {50, "270"},
         {51, "90"},     {210, "0"},      {220, "0"},    {230, "-1"},   {0, "ELLIPSE"},
         {11, "4"},      {40, "0.5"},     {41, "1"},     {42, "0"},     {0, "LWPOLYLINE"},
         {70, "1"},      {10, "0"},       {20, "0"},     {42, "-1"},    {10, "2"},
         {20, "0"},      {0, "POLYLINE"}, {70, "64"},    {0, "VERTEX"}, {70, "192"},
         {0, "VERTEX"},  {10, "1"},       {70, "192"},   {0, "VERTEX"}, {70, "128"},
         {71, "1"},      {72, "-2"},      {73, "1"},     {0, "SEQEND"}, {0, "POLYLINE"},
         {70, "49"},     {71, "1"},       {72, "2"},     {0, "VERTEX"}, {0, "VERTEX"},
         {10, "1"},      {0, "SEQEND"},   {0, "SPLINE"}, {70, "11"},    {71, "2"},
         {40, "0"},      {40, "1"},       {40, "2"},     {40, "3"},     {10, "0"},
         {20, "0"},      {41, "1"},       {10, "1"},     {20, "1"},     {41, "0.5"},
         {10, "2"},      {20, "0"},       {41, "1"},     {0, "HATCH"},  {70, "1"},
         {91, "2"},      {92, "2"},       {72, "1"},     {93, "2"},     {10, "0"},
         {20, "0"},      {42, "1"},       {10, "1"},     {20, "0"},     {42, "0"},
         {97, "0"},      {92, "1"},       {93, "4"},     {72, "1"},     {10, "0"},
         {20, "0"},      {11, "1"},       {21, "0"},     {72, "2"},     {10, "1"},
         {20, "1"},      {40, "1"},       {50, "90"},    {51, "270"},   {73, "0"},
         {72, "3"},      {11, "1"},       {40, "0.5"},   {50, "0"},     {51, "90"},
         {73, "1"},      {72, "4"},       {94, "3"},     {73, "0"},     {74, "0"},
         {95, "8"},      {96, "4"},       {40, "0"},     {40, "0"},     {40, "0"},
         {40, "0"},      {40, "1"},       {40, "1"},     {40, "1"},     {40, "1"},
         {10, "0"},      {20, "0"},       {10, "1"},     {20, "2"},     {10, "2"},
         {20, "2"},      {10, "3"},       {20, "0"},     {97, "0"},     {97, "0"},
         {0, "MLINE"},   {71, "2"},       {11, "0"},     {13, "0"},     {23, "1"},
         {74, "1"},      {41, "1"},       {11, "5"},     {74, "1"},     {41, "-1"},
         {0, "3DFACE"},  {11, "1"},       {12, "1"},     {22, "1"},     {70, "6"},
         {0, "SOLID"},   {11, "1"},       {12, "1"},     {22, "1"},     {0, "WIPEOUT"},
         {11, "1"},      {22, "1"},       {13, "1"},     {23, "1"},     {280, "1"},
         {71, "2"},      {14, "-0.5"},    {24, "0.5"},   {14, "0.5"},   {24, "0"},
         {14, "0"},      {24, "-0.5"},    {0, "LEADER"}, {10, "0"},     {10, "1"},
         {0, "3DSOLID"}, {0, "ENDSEC"},   {0, "EOF"}});
    corpus.Add(fuzz::EncodeCompact(dxftest::Bytes(kinds)));
    corpus.Add(fuzz::EncodeCompact(dxftest::Binary(dxftest::PairsOf(kinds), false)));

    // Text of every kind, with escapes, format codes and each alignment.
    corpus.Add(
        fuzz::EncodeCompact(dxftest::Bytes(dxftest::Ascii({{0, "SECTION"},
                                                           {2, "ENTITIES"},
                                                           {0, "TEXT"},
                                                           {10, "1"},
                                                           {11, "9"},
                                                           {40, "2"},
                                                           {72, "3"},
                                                           {1, "A%%c\\U+65E5\\M+18140^J\x83\x5C"},
                                                           {0, "MTEXT"},
                                                           {40, "1"},
                                                           {41, "5"},
                                                           {71, "5"},
                                                           {11, "0"},
                                                           {21, "1"},
                                                           {3, "{\\fArial|b1;x}\\S1^2;\\P\\H2x;y"},
                                                           {1, "\\C1;z z z"},
                                                           {0, "ATTRIB"},
                                                           {1, "v"},
                                                           {72, "1"},
                                                           {74, "2"},
                                                           {0, "ATTDEF"},
                                                           {2, "TAG"},
                                                           {71, "6"},
                                                           {0, "ENDSEC"}}))));

    if (!fs::is_directory(dxfFixtures)) return;
    for (const auto& entry : fs::directory_iterator(dxfFixtures)) {
        if (entry.path().extension() != ".dxf" || entry.file_size() > (64u << 10)) continue;
        corpus.Add(fuzz::EncodeCompact(ReadFile(entry.path())));
    }
}

// The whole-path DXF target's seeds: described drawings that reach nested, arrayed and
// self-inserting blocks, every entity kind, a long entity list and extreme numbers; and the
// read target's drawings as raw bytes. Operand bytes below 200 are numbers (b - 100) * 0.75.
void WriteDxfDrawSeeds(Corpus& corpus, const fs::path& readSeeds) {
    using namespace fuzz;
    const auto described = [&](uint8_t form, uint8_t width, uint8_t height,
                               std::initializer_list<uint8_t> ops) {
        // Header and tables: code page, $TILEMODE, thumbnail, four layer looks, the view.
        Bytes input = {form, width, height, 0, 1, 1, 2, 4, 6, 9, 0, 140, 140, 180, 102};
        input.insert(input.end(), ops);
        corpus.Add(input);
    };
    // One drawing operation a line.
    // clang-format off
    const std::initializer_list<uint8_t> nested = {
        kOpBlock, 0, 0, 100, 100, 100,                                          // B0
        kOpLine, 100, 100, 100, 120, 120, 100,                                  //
        kOpCircle, 1, 110, 110, 100, 105, 100, 190,                             //   an arc
        kOpInsert, 0, 1, 100, 100, 100, 101, 101, 100, 2, 0, 2, 0, 104, 104,    //   B1, 2 x 2
        kOpEndBlock,                                                            //
        kOpBlock, 1, 0, 100, 100, 100,                                          // B1
        kOpText, 0, 100, 100, 100, 102, 100, 101, 100, 1, 0, 0,                 //   TEXT
        kOpInsert, 0, 1, 110, 100, 100, 101, 101, 100, 1, 0, 1, 0, 100, 100,    //   itself
        kOpEndBlock,                                                            //
        kOpInsert, 1, 0, 100, 100, 100, 101, 101, 120, 3, 1, 0xF3, 0, 104, 104, // 3000 x 65535
        kOpLook, 5, 3, 1, 100, 100, 99,                                         // extruded -Z
        kOpInsert, 0, 1, 130, 130, 100, 99, 101, 100, 1, 0, 1, 0, 100, 100,     //
        kOpDimension, 0, 100, 100, 100, 110, 110, 100, 1,                       //
    };
    // clang-format on
    const std::initializer_list<uint8_t> kinds = {
        kOpLwPolyline,
        0xF0,
        4,
        1,
        100,
        100,
        101,
        120,
        100,
        100,
        120,
        120,
        99,
        100,
        120,
        100,
        kOpPolyline,
        8,
        0xF0,
        0xF0,
        3,
        100,
        100,
        100,
        100,
        110,
        100,
        110,
        100,
        120,
        120,
        100,
        100,
        kOpPolyline,
        64,
        4,
        0,
        3,
        100,
        100,
        100,
        100,
        3,
        3,
        3,
        110,
        100,
        100,
        100,
        1,
        2,
        3,
        110,
        110,
        100,
        100,
        0xF0,
        2,
        3,
        kOpSpline,
        8,
        3,
        0xF0,
        0xF0,
        0xF0,
        8,
        4,
        2,
        0,
        0,
        0,
        0,
        1,
        1,
        1,
        1,
        1,
        100,
        100,
        100,
        101,
        110,
        100,
        100,
        101,
        110,
        110,
        100,
        102,
        100,
        110,
        100,
        101,
        100,
        100,
        100,
        120,
        120,
        100,
        kOpEllipse,
        100,
        100,
        100,
        110,
        100,
        100,
        101,
        100,
        108,
        kOpText,
        1 | 8,
        100,
        110,
        100,
        104,
        100,
        101,
        100,
        2,
        1,
        5,
        kOpText,
        2 | 12,
        100,
        120,
        100,
        104,
        130,
        101,
        100,
        0,
        0,
        0,
        kOpHatch,
        100,
        100,
        100,
        1,
        2,
        1,
        4,
        1,
        100,
        100,
        100,
        120,
        100,
        100,
        120,
        120,
        100,
        100,
        120,
        100,
        0,
        4,
        1,
        105,
        105,
        110,
        105,
        2,
        108,
        108,
        102,
        100,
        200,
        3,
        105,
        110,
        102,
        100,
        100,
        190,
        4,
        100,
        100,
        101,
        101,
        102,
        100,
        103,
        101,
        0xF0,
        kOpLinear,
        1,
        100,
        100,
        100,
        101,
        101,
        100,
        kOpLinear,
        0,
        100,
        100,
        100,
        99,
        101,
        100,
        kOpCorners,
        1,
        100,
        100,
        100,
        110,
        100,
        100,
        100,
        110,
        100,
        110,
        110,
        100,
        kOpCorners,
        3,
        100,
        100,
        100,
        110,
        100,
        100,
        100,
        110,
        100,
        110,
        110,
        100,
        kOpCorners,
        0,
        105,
        105,
        100,
        0,
        0,
        0,
        0,
        0,
        0,
        0,
        0,
        0,
        kOpLeader,
        0,
        3,
        0xF0,
        100,
        100,
        100,
        110,
        110,
        100,
        120,
        110,
        100,
        kOpLeader,
        1,
        3,
        0,
        100,
        100,
        100,
        100,
        100,
        110,
        100,
        100,
        110,
        110,
        100,
        kOpBody,
        1,
    };
    const std::initializer_list<uint8_t> extremes = {
        kOpLine,       200,  100, 100, 201, 100, 100,                 // 1e308 to -1e308
        kOpCircle,     0,    100, 100, 100, 203,                      // a radius of 4.9e-324
        kOpLine,       215,  215, 100, 100, 100, 100,                 // 1e300
        kOpLwPolyline, 0xF0, 2,   0,   100, 100, 200, 101, 101, 100,  // a bulge of 1e308
        kOpInsert,     0,    2,   100, 100, 100, 227, 227, 100, 0xF2, 1, 0xF2, 1,
        211,           211,                                                           // 65535^2
        kOpPair,       10,   0,   1,   232, 0,   0,   0,   0,   0,    0, 0xF8, 0x7F,  // a NaN
    };
    const std::initializer_list<uint8_t> longList = {
        kOpLine,   100, 100, 100, 101, 101, 100,       kOpRepeat, 0xFF, 0xFF,
        kOpCircle, 0,   100, 100, 100, 101, kOpRepeat, 0xFF,      0xFF,
    };
    for (const int binary : {0, kDrawBinary + 0, kDrawBinary | kDrawShortCodes}) {
        described(binary | 0x10, 64, 0, nested);
        described(binary | 0x30, 48, 32, kinds);
    }
    described(0x10, 64, 64, extremes);
    described(kDrawBinary | 0x10, 16, 0, extremes);
    described(0x20, 64, 0, longList);
    described(kDrawPreferStored, 32, 0, nested);

    // The read target's drawings, small ones as raw bytes.
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(readSeeds, error)) {
        if (entry.file_size() > (16u << 10)) continue;
        Bytes input = {kDrawRaw | kDrawPreferStored, 40, 0};
        const Bytes drawing = ReadFile(entry.path());
        input.insert(input.end(), drawing.begin(), drawing.end());
        corpus.Add(input);
    }
}

// One R2010 TEXT entity in model space for the dwg_read target's object pass (type, reference
// bytes, flags, bits): its text "OK" in the string stream, a layer handle after it.
Bytes LaterTextObject() {
    dwgtest::BitWriter w;
    const auto real = [&](double value) {
        uint64_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        for (int i = 0; i < 8; ++i) w.Byte(static_cast<uint8_t>(bits >> (8 * i)));
    };
    w.Byte(0xFF);  // every optional field at its default
    real(2.0), real(3.0);
    w.Bits(3, 2);  // default extrusion and thickness
    real(2.5);
    w.Bits(0, 3);  // so that the references start on a byte
    w.Bits(1, 2), w.Byte(2);
    for (const int c : {0x4F, 0, 0x4B, 0}) w.Byte(static_cast<uint8_t>(c));  // "OK"
    w.Byte(42), w.Byte(0), w.Bits(1, 1);       // their size in bits; there are strings
    w.Byte(0x40), w.Byte(0x51), w.Byte(0x10);  // a null dictionary, the layer
    Bytes seed = {1, 3, 2};
    seed.insert(seed.end(), w.Bytes().begin(), w.Bytes().end());
    return seed;
}

// A small R13-R2000 drawing spelt in pieces for the dwg_read target, with its object map
// as given: the drawing's bytes up to the map, then `part` written `times` times.
Bytes SpeltDwg(const Bytes& drawing, const Bytes& part, uint32_t times) {
    const uint32_t mapAt = dwgtest::Le32(drawing, dwgtest::kMapLocator);
    Bytes spelt = fuzz::EncodeCompact(std::span(drawing).first(mapAt));
    fuzz::AppendRepeat(spelt, part, times);
    return spelt;
}

// The spelt forms: a drawing as it is, its map a part of 120 entries repeated to the reader's
// cap on objects, and a run of empty parts that never ends before 8 GiB.
void AddSpeltDwgSeeds(Corpus& corpus, const Bytes& drawing) {
    corpus.Add(fuzz::EncodeCompact(drawing));
    const auto map = dwgtest::ReadObjectMap(drawing, dwgtest::Le32(drawing, dwgtest::kMapLocator),
                                            drawing[5] == '5' ? kR2000 : kR13);
    if (map.empty()) return;
    dwgtest::BitWriter entries;
    entries.UMC(map.back().first), entries.MC(map.back().second);
    for (int i = 0; i < 120; ++i) entries.UMC(1), entries.MC(0);
    const std::size_t size = entries.Bytes().size() + 2;
    Bytes part = {static_cast<uint8_t>(size >> 8), static_cast<uint8_t>(size)};
    part.insert(part.end(), entries.Bytes().begin(), entries.Bytes().end());
    part.push_back(0), part.push_back(0);
    corpus.Add(SpeltDwg(drawing, part, 5000));
    corpus.Add(SpeltDwg(drawing, {0, 3, 0, 0, 0}, UINT32_MAX));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::cerr << "usage: make_seeds OUT_DIR SAMPLE_DRAWING HELP_SOURCE [FIXTURES_DIR]\n";
        return 2;
    }
    const fs::path out = argv[1];
    Corpus drawings(out, "preview_drawing"), bmps(out, "bmp_decode"), pngs(out, "preview_png");
    Corpus lines(out, "command_line"), paths(out, "long_path"), help(out, "help_source");
    Corpus thumbnails(out, "thumbnail_path");

    for (const DrawingBuilder& drawing : SyntheticDrawings()) {
        AddDrawing(drawing.Build(), drawings, bmps, pngs);
        thumbnails.Add(ThumbnailPathInput(drawing.Build()));
    }
    AddDrawing(ReadFile(argv[2]), drawings, bmps, pngs);
    thumbnails.Add(ThumbnailPathRealInput(ReadFile(argv[2])));
    if (argc > 4 && fs::is_directory(argv[4])) {
        for (const auto& entry : fs::directory_iterator(argv[4])) {
            if (entry.path().extension() != ".dwg") continue;
            const Bytes drawing = ReadFile(entry.path());
            AddDrawing(drawing, drawings, bmps, pngs);
            thumbnails.Add(ThumbnailPathRealInput(drawing));
        }
    }
    WriteThumbnailPathSeeds(thumbnails);
    // Drawings of every release the reader takes, made small for the target's 16 KiB inputs.
    Corpus dwg(out, "dwg_read");
    dwg.Add(LaterTextObject());
    if (argc > 4) {
        const fs::path more = fs::path(argv[4]) / ".." / "dwg-more" / "entities-2000";
        for (const fs::path& file :
             {fs::path(argv[4]) / "example_r13.dwg", fs::path(argv[4]) / "example_r14.dwg",
              fs::path(argv[4]) / "example_2000.dwg", more / "Line.dwg", more / "TS1.dwg",
              more / "PolyLine3D.dwg", more / "entities-2d.dwg", more / "Leader.dwg"}) {
            if (fs::exists(file)) dwg.Add(dwgtest::CompactDwg(ReadFile(file), 15500));
        }
        const fs::path line = more / "Line.dwg";
        if (fs::exists(line)) AddSpeltDwgSeeds(dwg, dwgtest::CompactDwg(ReadFile(line), 16000));
        // Paged containers of each later release, in pages of 2 KiB so that a section spans
        // several.
        const fs::path dwgMore = fs::path(argv[4]) / ".." / "dwg-more";
        for (const fs::path& file :
             {fs::path(argv[4]) / "example_2004.dwg", fs::path(argv[4]) / "r2004_material.dwg",
              fs::path(argv[4]) / "example_2007.dwg", fs::path(argv[4]) / "r2007_atmos.dwg",
              dwgMore / "example_2010.dwg", fs::path(argv[4]) / "example_2013.dwg",
              dwgMore / "example_2018.dwg", fs::path(argv[4]) / "r2018_line.dwg"}) {
            if (!fs::exists(file)) continue;
            try {
                dwg.Add(dwgtest::CompactPagedDwg(ReadFile(file), 16000, 0x800));
            } catch (const AppError& error) {  // pages past the fuzz build's cap
                std::cerr << "make_seeds: " << file.filename().string() << ": " << error.what()
                          << "\n";
            }
        }
    }
    Corpus dxf(out, "dxf_read");
    WriteDxfSeeds(dxf, argc > 4 ? fs::path(argv[4]) / ".." / "dxf" : fs::path());
    Corpus draw(out, "dxf_draw");
    WriteDxfDrawSeeds(draw, out / "dxf_read");
    for (const bmptest::Bmp& bmp : SyntheticBmps()) bmps.Add(bmp.Build());
    for (uint8_t mode = 0; mode < static_cast<uint8_t>(fuzz::PngLength::kCount); ++mode) {
        pngs.Add(PngInput(mode, MakePngHeader(184 + mode, 126)));
    }

    lines.Add("\"C:\\Program Files\\Ortholux\\Ortholux.exe\" \"C:\\My Drawings\\plan.dwg\"");
    lines.Add("Ortholux.exe C:\\x\\PLAN.DWG second \"\" \"third arg\"");
    lines.Add("Ortholux.exe \"D:\\\x95\x5C\\\x83\x5C.dwg\"\tlast\"");
    // Long arguments: one kept whole, one cut at 4096 bytes.
    for (const std::size_t length : {1000u, 5000u}) {
        lines.Add("Ortholux.exe \"C:\\" + std::string(length, 'd') + ".dwg\" next");
    }
    WriteLongPathSeeds(paths);
    const Bytes helpSource = ReadFile(argv[3]);
    help.Add(helpSource);
    help.Add(
        "title: T\nfont: F\n\n@topic a First\nSee [[b|the next]]\tthen.\n\n@topic b Next\nx\n");

    const std::string png(fuzz::kPngSignature.begin(), fuzz::kPngSignature.end());
    WriteDictionary(out / "preview_drawing.dict",
                    {"AC1015", "1012", "1027", png, "IHDR", Le32Text(40), Le32Text(12),
                     Le32Text(0x00FFFFFF), std::string(1, '\2')});
    WriteDictionary(out / "bmp_decode.dict",
                    {"BM", Le32Text(40), Le32Text(12), Le32Text(108), Le32Text(124), Le32Text(1),
                     Le32Text(2), Le32Text(3), Le32Text(256)});
    WriteDictionary(out / "preview_png.dict", {"IHDR", "IEND", Le32Text(13)});
    // Run-length records, header fields, and the compact form's repeat of a 4-byte pattern.
    WriteDictionary(
        out / "thumbnail_path.dict",
        {std::string("\0\2\xFF\0", 4), std::string("\0\0", 2), std::string("\0\1", 2),
         std::string("\x80\x03\xFF\xFF\xFF\x00", 6), std::string("\x80\x00\xFF\xFF\xFF\x7F", 6),
         Le32Text(40), Le32Text(1), Le32Text(2), Le32Text(2048), "1015", "1027", png, "IHDR"});
    const std::vector<std::string> dxfTokens = {"SECTION",
                                                "ENDSEC",
                                                "HEADER",
                                                "TABLES",
                                                "BLOCKS",
                                                "ENTITIES",
                                                "EOF",
                                                "THUMBNAILIMAGE",
                                                "TABLE",
                                                "ENDTAB",
                                                "LAYER",
                                                "VPORT",
                                                "*ACTIVE",
                                                "BLOCK",
                                                "ENDBLK",
                                                "LWPOLYLINE",
                                                "HATCH",
                                                "SPLINE",
                                                "ELLIPSE",
                                                "ARC",
                                                "\n 72\n",
                                                "\n 92\n",
                                                "\n 40\n",
                                                "\n 42\n",
                                                "POLYLINE",
                                                "VERTEX",
                                                "SEQEND",
                                                "INSERT",
                                                "$ACADVER",
                                                "MTEXT",
                                                "TEXT",
                                                "\\P",
                                                "\\U+",
                                                "%%",
                                                "\\S",
                                                "\n  0\n",
                                                "\r\n",
                                                "\n310\n",
                                                "\n 90\n",
                                                "\n102\n{",
                                                "1e308",
                                                "nan",
                                                std::string("AutoCAD Binary DXF\r\n\x1a\0", 22),
                                                std::string("\x80\x03", 2)};
    WriteDictionary(out / "dxf_read.dict", dxfTokens);
    std::vector<std::string> drawTokens = dxfTokens;
    for (const char* kind :
         {"LINE",   "CIRCLE",    "ARC",     "ELLIPSE", "SPLINE",  "HATCH",  "MTEXT",
          "TEXT",   "DIMENSION", "XLINE",   "RAY",     "SOLID",   "3DFACE", "LEADER",
          "ATTRIB", "ATTDEF",    "\n 70\n", "\n 71\n", "\n 41\n", "\n210\n"}) {
        drawTokens.emplace_back(kind);
    }
    WriteDictionary(out / "dxf_draw.dict", drawTokens);
    WriteDictionary(out / "dwg_read.dict",
                    {"AC1012", "AC1014", "AC1015", "AC1021", std::string("\0\2", 2),
                     std::string("\x40\x01", 2), "*Model_Space", "*ACTIVE"});
    WriteDictionary(out / "command_line.dict", {"\"", "\"\"", " ", "\t", "\x95\x5C"});
    WriteDictionary(out / "long_path.dict", {"\\", ":", "\\\\", "\x95\x5C", "\x83\x5C", "\xE0\x5C",
                                             "\xFB\x5C", "~1", "C:"});
    WriteDictionary(out / "help_source.dict",
                    {"@topic ", "title: ", "font: ", "copyright: ", "[[", "]]", "|", "#", "\t"});
    return 0;
}
