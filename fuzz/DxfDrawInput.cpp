// The generator of DxfDrawInput.h. Built without coverage tracing (coverage-ignorelist.txt):
// its string building has no branch worth steering by, and traced it cost a fifth of the
// target's time.
#include "DxfDrawInput.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace fuzz {

namespace {

// Numbers spelled by one byte: small steps around zero, or values that break arithmetic.
inline double DrawNumber(uint8_t b, const uint8_t* raw) {
    static constexpr double kSpecial[] = {1e308,
                                          -1e308,
                                          1e-308,
                                          4.9e-324,
                                          1e15,
                                          -1e15,
                                          2147483647.0,
                                          4294967296.0,
                                          1e6,
                                          -1e6,
                                          1e-6,
                                          1e-12,
                                          0.1,
                                          3.141592653589793,
                                          6.283185307179586,
                                          1e300,
                                          123456789.123,
                                          9007199254740993.0,
                                          1e-300,
                                          0.5,
                                          90.0,
                                          180.0,
                                          270.0,
                                          360.0,
                                          -90.0,
                                          1e12,
                                          2.5e-7,
                                          1e154,
                                          -1e154,
                                          65535.0,
                                          1e-3,
                                          1e9};
    if (b < 200) return (static_cast<int>(b) - 100) * 0.75;
    if (b < 232) return kSpecial[b - 200];
    double value;  // raw bits: any double, NaN and infinities included
    std::memcpy(&value, raw, sizeof value);
    return value;
}

// The DXF file a described input spells, written as it is read: ASCII lines or binary pairs.
class DrawGenerator {
  public:
    DrawGenerator(std::span<const uint8_t> ops, uint8_t form) : in_(ops), form_(form) {}

    std::string Generate() {
        static const char* kReleases[] = {"AC1009", "AC1015", "AC1018", "AC1032"};
        const char* release = kReleases[(form_ >> 4) & 3];
        std::string blocks, entities;
        target_ = &entities;
        while (at_ < in_.size() && blocks.size() + entities.size() < kMaxDrawInput) {
            Operation(blocks, entities);
        }
        if (inBlock_) EndBlock(entities);
        out_.clear();
        if (form_ & kDrawBinary) out_.assign("AutoCAD Binary DXF\r\n\x1a\0", 22);
        Section("HEADER");
        Text(9, "$ACADVER"), Text(1, release);
        Text(9, "$DWGCODEPAGE"), Text(1, Byte(0) & 1 ? "ANSI_932" : "ANSI_1252");
        Text(9, "$TILEMODE"), Int(70, Byte(1) & 1);
        Text(0, "ENDSEC");
        Tables();
        Section("BLOCKS"), out_ += blocks, Text(0, "ENDSEC");
        Section("ENTITIES"), out_ += entities, Text(0, "ENDSEC");
        if (form_ & kDrawPreferStored && Byte(2) & 1) Thumbnail();
        Text(0, "EOF");
        if (out_.size() > kMaxDrawInput) out_.resize(kMaxDrawInput);
        return out_;
    }

  private:
    // Operand bytes; past the input's end, zeros.
    uint8_t Next() { return at_ < in_.size() ? in_[at_++] : 0; }
    uint8_t Byte(std::size_t i) const { return i < in_.size() ? in_[i] : 0; }
    uint16_t Next16() { return static_cast<uint16_t>(Next() | Next() << 8); }
    double Number() {
        const uint8_t b = Next();
        uint8_t raw[8] = {};
        if (b >= 232) {
            for (uint8_t& r : raw) r = Next();
        }
        return DrawNumber(b, raw);
    }
    // A count as written in a group: small, or one of the values that overflow a count.
    int64_t Claimed() {
        static constexpr int64_t kHuge[] = {2147483647, -1,    65535,   100000,
                                            0,          32767, 1 << 20, 4294967295};
        const uint8_t b = Next();
        return b < 0xF0 ? b % 64 : kHuge[b & 7];
    }

    // The pair writer: ASCII, or binary with one- or two-byte codes.
    void Code(int code) {
        if (!(form_ & kDrawBinary)) {
            char text[8];  // padded to three places, as CAD programs write them
            char* end = std::to_chars(text, text + sizeof text, code).ptr;
            for (auto n = end - text; n < 3; ++n) out_ += ' ';
            out_.append(text, end);
            out_ += '\n';
        } else if (!(form_ & kDrawShortCodes)) {
            Little(static_cast<uint16_t>(code), 2);
        } else if (code >= 0 && code < 255) {
            out_ += static_cast<char>(code);
        } else {
            out_ += '\xFF';
            Little(static_cast<uint16_t>(code), 2);
        }
    }
    void Little(uint64_t bits, int bytes) {
        for (int i = 0; i < bytes; ++i) out_ += static_cast<char>(bits >> (8 * i));
    }
    void Text(int code, const std::string& value) {
        Code(code);
        out_ += value;
        out_ += form_ & kDrawBinary ? '\0' : '\n';
    }
    void Real(int code, double value) {
        Code(code);
        if (form_ & kDrawBinary) {
            uint64_t bits;
            std::memcpy(&bits, &value, sizeof bits);
            Little(bits, 8);
            return;
        }
        char text[32];
        const auto end = std::to_chars(text, text + sizeof text, value).ptr;
        out_.append(text, end);
        out_ += '\n';
    }
    // Integer groups: 90-99 and 420-429 32-bit, 160-169 64-bit, 290-299 one byte, the rest
    // 16-bit. A value is clamped to what its group holds, so that a huge count stays a count.
    void Int(int code, int64_t value) {
        const bool wide = (code >= 90 && code <= 99) || (code >= 420 && code <= 429);
        const int bytes = wide                         ? 4
                          : code >= 160 && code <= 169 ? 8
                          : code >= 290 && code <= 299 ? 1
                                                       : 2;
        const int64_t low = bytes == 4   ? INT32_MIN
                            : bytes == 2 ? INT16_MIN
                            : bytes == 1 ? 0
                                         : INT64_MIN;
        const int64_t high = bytes == 4   ? UINT32_MAX
                             : bytes == 2 ? UINT16_MAX
                             : bytes == 1 ? 255
                                          : INT64_MAX;
        value = value < low ? low : value > high ? high : value;
        Code(code);
        if (form_ & kDrawBinary) {
            Little(static_cast<uint64_t>(value), bytes);
        } else {
            out_ += std::to_string(value) + "\n";
        }
    }
    void Point(int code) {
        Real(code, Number()), Real(code + 10, Number());
        Real(code + 20, Number());
    }
    void Point2(int code) { Real(code, Number()), Real(code + 10, Number()); }
    void Section(const char* name) { Text(0, "SECTION"), Text(2, name); }
    std::string BlockName(uint8_t b) { return "B" + std::to_string(b % 8); }

    void Tables() {
        Section("TABLES");
        Text(0, "TABLE"), Text(2, "LAYER");
        for (int i = 0; i < 4; ++i) {
            const uint8_t look = Byte(3 + i);
            Text(0, "LAYER"), Text(2, i == 0 ? "0" : "L" + std::to_string(i));
            Int(70, look & 1);                                // frozen
            Int(62, (look & 2 ? -1 : 1) * (1 + look % 255));  // negative: off
        }
        Text(0, "ENDTAB");
        Text(0, "TABLE"), Text(2, "VPORT");
        Text(0, "VPORT"), Text(2, "*ACTIVE");
        const uint8_t view = Byte(7);
        uint8_t raw[8] = {};
        Real(12, DrawNumber(Byte(8), raw)), Real(22, DrawNumber(Byte(9), raw));
        Real(40, DrawNumber(Byte(10), raw)), Real(41, DrawNumber(Byte(11), raw));
        if (view & 1) Real(16, 0.0), Real(26, -1.0), Real(36, 1.0);
        if (view & 2) Real(51, 30.0);
        Text(0, "ENDTAB");
        Text(0, "ENDSEC");
    }

    void Thumbnail() {
        // A 2 x 2 8-bit DIB with two colours, length given in group 90.
        std::string dib(40, '\0');
        const auto put = [&](std::size_t at, uint32_t v, int n) {
            for (int i = 0; i < n; ++i) dib[at + i] = static_cast<char>(v >> (8 * i));
        };
        put(0, 40, 4), put(4, 2, 4), put(8, 2, 4), put(12, 1, 2), put(14, 8, 2), put(32, 2, 4);
        dib += std::string("\x00\x00\x00\x00\xFF\xFF\xFF\x00", 8) + std::string(8, '\1');
        Section("THUMBNAILIMAGE");
        Int(90, static_cast<int64_t>(dib.size()));
        static const char kHex[] = "0123456789ABCDEF";
        Code(310);
        if (form_ & kDrawBinary) {
            out_ += static_cast<char>(dib.size());
            out_ += dib;
        } else {
            for (const char c : dib) {
                out_ += kHex[static_cast<uint8_t>(c) >> 4];
                out_ += kHex[c & 15];
            }
            out_ += '\n';
        }
        Text(0, "ENDSEC");
    }

    void EndBlock(std::string& entities) {
        std::swap(out_, *target_);
        Text(0, "ENDBLK");
        std::swap(out_, *target_);
        inBlock_ = false;
        target_ = &entities;
    }

    // Writes one operation into the block or the entity list.
    void Operation(std::string& blocks, std::string& entities) {
        const auto op = static_cast<DrawOp>(Next() % kOpCount);
        if (op == kOpEndBlock) {
            if (inBlock_) EndBlock(entities);
            return;
        }
        if (op == kOpBlock) {
            if (inBlock_) EndBlock(entities);
            inBlock_ = true;
            target_ = &blocks;
        }
        std::swap(out_, *target_);
        const std::size_t start = out_.size();
        if (op == kOpRepeat) {
            const std::size_t room = kMaxDrawInput - std::min(kMaxDrawInput, out_.size());
            std::size_t n = Next16();
            if (!last_.empty()) n = std::min(n, room / last_.size());
            out_.reserve(out_.size() + n * last_.size());
            for (; n > 0 && !last_.empty(); --n) out_ += last_;
        } else {
            Entity(op);
            if (op != kOpBlock && op != kOpPair && op != kOpLook) last_ = out_.substr(start);
        }
        std::swap(out_, *target_);
    }

    void Head(const char* type) {
        Text(0, type);
        Text(8, layer_);
        if (colour_ != 256) Int(62, colour_);
        if (trueColour_) Int(420, trueColour_);
        if (extrude_) Real(210, ex_), Real(220, ey_), Real(230, ez_);
        extrude_ = false;
    }

    void Entity(DrawOp op) {
        switch (op) {
            case kOpBlock: {
                const std::string name = BlockName(Next());
                Text(0, "BLOCK"), Text(8, "0"), Text(2, name), Int(70, Next() & 7);
                Point(10), Text(3, name);
                break;
            }
            case kOpLine:
                Head("LINE"), Point(10), Point(11);
                break;
            case kOpCircle: {
                const bool arc = Next() & 1;
                Head(arc ? "ARC" : "CIRCLE"), Point(10), Real(40, Number());
                if (arc) Real(50, Number()), Real(51, Number());
                break;
            }
            case kOpEllipse:
                Head("ELLIPSE"), Point(10), Point(11), Real(40, Number());
                Real(41, Number()), Real(42, Number());
                break;
            case kOpLwPolyline: {
                Head("LWPOLYLINE");
                Int(90, Claimed());
                const uint8_t n = Next() % 32;
                Int(70, Next() & 129);
                for (uint8_t i = 0; i < n; ++i) Point2(10), Real(42, Number());
                break;
            }
            case kOpPolyline: {
                Head("POLYLINE");
                const uint8_t flags = Next();
                Int(66, 1), Int(70, flags), Int(71, Claimed()), Int(72, Claimed());
                const uint8_t n = Next() % 32;
                for (uint8_t i = 0; i < n; ++i) {
                    Text(0, "VERTEX"), Text(8, layer_), Point(10), Real(42, Number());
                    Int(70, flags & 64 ? 128 | (i & 1 ? 0 : 64) : 0);
                    if (flags & 64) Int(71, Claimed()), Int(72, Claimed()), Int(73, Claimed());
                }
                Text(0, "SEQEND");
                break;
            }
            case kOpSpline: {
                Head("SPLINE");
                Int(70, Next()), Int(71, Next() % 12);
                Int(72, Claimed()), Int(73, Claimed()), Int(74, Claimed());
                const uint8_t knots = Next() % 40, points = Next() % 24, fits = Next() % 16;
                double knot = 0;
                for (uint8_t i = 0; i < knots; ++i) Real(40, knot += Next() % 3);
                const bool weights = Next() & 1;
                for (uint8_t i = 0; i < points; ++i) {
                    Point(10);
                    if (weights) Real(41, Number());
                }
                for (uint8_t i = 0; i < fits; ++i) Point(11);
                break;
            }
            case kOpInsert: {
                Head("INSERT");
                const bool attributes = Next() & 1;
                Text(2, BlockName(Next()));
                if (attributes) Int(66, 1);
                Point(10), Real(41, Number()), Real(42, Number()), Real(50, Number());
                // Column and row counts up to 65535 each, often large.
                for (const int code : {70, 71}) {
                    const int64_t count = Claimed();
                    Int(code, count * (Next() & 1 ? 1000 : 1));
                }
                Real(44, Number()), Real(45, Number());
                if (attributes) {
                    Text(0, "ATTRIB"), Text(8, layer_), Point(10), Real(40, Number());
                    Text(1, "A1"), Text(2, "TAG"), Text(0, "SEQEND");
                }
                break;
            }
            case kOpText: {
                static const char* kKinds[] = {"TEXT", "MTEXT", "ATTDEF", "ATTRIB"};
                static const char* kStrings[] = {
                    "Ab",
                    "\\U+65E5\\U+672C",
                    "{\\fArial;\\H2x;x\\Py}\\P%%c%%d%%p",
                    "\x93\xfa\x96\x7b",
                    "\\S1^2;\\~\\\\",
                    "",
                    "WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW",
                    "\\U+D800\\U+"};
                const uint8_t kind = Next();
                Head(kKinds[kind & 3]);
                Point(10), Real(40, Number()), Real(50, Number()), Real(41, Number());
                Real(51, Number()), Text(1, kStrings[(kind >> 2) & 7]);
                if ((kind & 3) >= 2) Text(2, "TAG");
                Int(72, Next() % 6), Int(73, Next() % 4), Int(71, Next() % 10);
                if (kind & 32) Point(11);
                break;
            }
            case kOpHatch: {
                Head("HATCH");
                Point(10), Text(2, "SOLID"), Int(70, Next() & 1), Int(71, 0);
                const uint8_t paths = Next() % 4;
                Int(91, paths);
                for (uint8_t p = 0; p < paths; ++p) {
                    const bool polyline = Next() & 1;
                    Int(92, polyline ? 2 : 0);
                    const uint8_t n = Next() % 16;
                    if (polyline) {
                        Int(72, Next() & 1), Int(73, 1), Int(93, n);
                        for (uint8_t i = 0; i < n; ++i) Point2(10), Real(42, Number());
                    } else {
                        Int(93, n);
                        for (uint8_t i = 0; i < n; ++i) {
                            const uint8_t edge = 1 + Next() % 4;
                            Int(72, edge), Point2(10);
                            if (edge == 1) Point2(11);
                            if (edge == 2)
                                Real(40, Number()), Real(50, Number()), Real(51, Number()),
                                    Int(73, 1);
                            if (edge == 3)
                                Point2(11), Real(40, Number()), Real(50, Number()),
                                    Real(51, Number()), Int(73, 1);
                            if (edge == 4) {
                                Int(94, 3), Int(73, 0), Int(74, 0), Int(95, Claimed()), Int(96, 4);
                                for (int k = 0; k < 8; ++k) Real(40, k < 4 ? 0.0 : 1.0);
                                for (int k = 0; k < 4; ++k) Point2(10);
                            }
                        }
                    }
                    Int(97, 0);
                }
                break;
            }
            case kOpDimension:
                Head("DIMENSION"), Text(2, BlockName(Next())), Point(10), Point(11);
                Int(70, Next() % 8);
                break;
            case kOpLinear:
                Head(Next() & 1 ? "XLINE" : "RAY"), Point(10), Point(11);
                break;
            case kOpCorners: {
                static const char* kKinds[] = {"POINT", "SOLID", "TRACE", "3DFACE"};
                Head(kKinds[Next() & 3]), Point(10), Point(11), Point(12), Point(13);
                break;
            }
            case kOpLeader: {
                const bool mline = Next() & 1;
                const uint8_t n = Next() % 16;
                Head(mline ? "MLINE" : "LEADER");
                if (mline)
                    Int(71, Next()), Int(72, n), Int(73, 2), Point(10);
                else
                    Int(76, Claimed());
                for (uint8_t i = 0; i < n; ++i) Point(mline ? 11 : 10);
                break;
            }
            case kOpPair: {
                const int code = static_cast<int16_t>(Next16());
                const uint8_t kind = Next();
                if (kind & 1)
                    Real(code, Number());
                else if (kind & 2)
                    Int(code, Claimed());
                else
                    Text(code, kind & 4 ? "" : "SECTION");
                break;
            }
            case kOpLook: {
                const uint8_t b = Next();
                layer_ = b & 3 ? "L" + std::to_string(b & 3) : "0";
                colour_ = Next() % 258;
                trueColour_ = Next() & 1 ? 0x00FF8000 : 0;
                extrude_ = b & 4;
                if (extrude_) ex_ = Number(), ey_ = Number(), ez_ = Number();
                break;
            }
            case kOpBody: {
                static const char* kKinds[] = {"REGION", "3DSOLID", "BODY", "SURFACE"};
                Head(kKinds[Next() & 3]), Int(70, 1), Text(1, "acis");
                break;
            }
            case kOpEndBlock:
            case kOpRepeat:
            case kOpCount:
                break;
        }
    }

    std::span<const uint8_t> in_;
    uint8_t form_;
    std::size_t at_ = 11;  // past the bytes the header and tables read
    std::string out_;
    std::string* target_ = nullptr;
    std::string last_;
    bool inBlock_ = false;
    std::string layer_ = "0";
    int colour_ = 256;
    uint32_t trueColour_ = 0;
    bool extrude_ = false;
    double ex_ = 0, ey_ = 0, ez_ = 1;
};

}  // namespace

std::string GenerateDrawing(std::span<const uint8_t> ops, uint8_t form) {
    return DrawGenerator(ops, form).Generate();
}

}  // namespace fuzz
