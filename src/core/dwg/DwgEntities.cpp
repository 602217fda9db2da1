// Entity data of R13 to R2000, field by field as the format lays it out, turned into the pairs
// DXF writes for the same entity. Angles become degrees where DXF writes degrees; a value that
// is not finite becomes 0, as DXF pairs are always finite. Counts are never trusted: every
// list stops when the bits run out or the entity's pair cap is reached.
#include "dwg/DwgEntities.h"

#include <cmath>
#include <vector>

namespace {

constexpr double kDegrees = 180.0 / 3.14159265358979323846;
constexpr uint64_t kMtextChunk = 250;  // DXF cuts long texts into 3 pairs of this many bytes

enum Type : uint16_t {
    kText = 1,
    kAttrib,
    kAttdef,
    kBlock,
    kEndblk,
    kSeqend,
    kInsert,
    kMinsert,
    kVertex2d = 10,
    kVertex3d,
    kVertexMesh,
    kVertexPface,
    kVertexPfaceFace,
    kPolyline2d,
    kPolyline3d,
    kArc,
    kCircle,
    kLine,
    kDimOrdinate,
    kDimLinear,
    kDimAligned,
    kDimAng3pt,
    kDimAng2ln,
    kDimRadius,
    kDimDiameter,
    kPoint,
    kFace3d,
    kPolylinePface,
    kPolylineMesh,
    kSolid,
    kTrace,
    kShape,
    kViewport,
    kEllipse,
    kSpline,
    kRegion,
    kSolid3d,
    kBody,
    kRay,
    kXline,
    kOleFrame = 43,
    kMtext,
    kLeader,
    kTolerance,
    kMline,
    kOle2Frame = 74,
    kLwPolyline = 77,
    kHatch = 78,
    kProxyEntity = 498,
};

class Out {
  public:
    explicit Out(DxfEntity& entity) : e_(entity) {}
    void Text(int code, std::string text) {
        DxfPair p;
        p.code = code;
        p.type = DxfType::String;
        p.text = std::move(text);
        Add(std::move(p));
    }
    void Real(int code, double value) {
        DxfPair p;
        p.code = code;
        p.type = DxfType::Double;
        p.real = std::isfinite(value) ? value : 0.0;
        Add(std::move(p));
    }
    void Int(int code, int64_t value) {
        DxfPair p;
        p.code = code;
        p.type = DxfTypeOf(code);
        p.integer = value;
        Add(std::move(p));
    }
    void Point(int code, const DxfPoint& at) {
        Real(code, at.x);
        Real(code + 10, at.y);
        Real(code + 20, at.z);
    }
    void Point2(int code, const DxfPoint& at) {
        Real(code, at.x);
        Real(code + 10, at.y);
    }
    bool Full() const { return e_.pairsCut; }

  private:
    void Add(DxfPair&& p) {
        if (e_.pairs.size() >= kMaxDxfEntityPairs) {
            e_.pairsCut = true;
            return;
        }
        e_.pairs.push_back(std::move(p));
    }
    DxfEntity& e_;
};

// Whether a list may go on: bits left and room for pairs.
bool More(const DwgBits& bits, const Out& out) { return !bits.Overrun() && !out.Full(); }

void Extrusion(DxfEntity& entity, Out& out, const DxfPoint& normal) {
    entity.extrusion = normal;
    out.Point(210, normal);
}

void Text(const DwgObject& object, DwgBits& bits, DxfEntity& entity, Out& out) {
    double elevation = 0, oblique = 0, rotation = 0, width = 1, height = 0, thickness = 0;
    int generation = 0, horizontal = 0, vertical = 0;
    DxfPoint at, align, normal{0, 0, 1};
    std::string text;
    if (bits.R2000()) {
        const uint8_t flags = bits.RC();
        if (!(flags & 0x01)) elevation = bits.RD();
        at = bits.RD2();
        align = (flags & 0x02) ? at : bits.DD2(at);
        normal = bits.BE();
        thickness = bits.BT();
        if (!(flags & 0x04)) oblique = bits.RD();
        if (!(flags & 0x08)) rotation = bits.RD();
        height = bits.RD();
        if (!(flags & 0x10)) width = bits.RD();
        text = bits.TV();
        if (!(flags & 0x20)) generation = bits.BS();
        if (!(flags & 0x40)) horizontal = bits.BS();
        if (!(flags & 0x80)) vertical = bits.BS();
    } else {
        elevation = bits.BD();
        at = bits.RD2();
        align = bits.RD2();
        normal = bits.BD3();
        thickness = bits.BD();
        oblique = bits.BD();
        rotation = bits.BD();
        height = bits.BD();
        width = bits.BD();
        text = bits.TV();
        generation = bits.BS();
        horizontal = bits.BS();
        vertical = bits.BS();
    }
    at.z = align.z = elevation;
    out.Point(10, at);
    out.Real(40, height);
    out.Text(1, text);
    out.Real(50, rotation * kDegrees);
    out.Real(41, width);
    out.Real(51, oblique * kDegrees);
    out.Int(71, generation);
    out.Int(72, horizontal);
    out.Point(11, align);
    out.Real(39, thickness);
    Extrusion(entity, out, normal);
    if (object.type == kText) {
        out.Int(73, vertical);
        return;
    }
    out.Text(2, bits.TV());  // tag
    out.Int(73, bits.BS());  // field length
    out.Int(70, bits.RC());  // flags
    out.Int(74, vertical);
    if (object.type == kAttdef) out.Text(3, bits.TV());  // prompt
}

void Insert(const DwgObject& object, DwgBits& bits, DxfEntity& entity, Out& out) {
    const DxfPoint at = bits.BD3();
    DxfPoint scale{1, 1, 1};
    if (bits.R2000()) {
        switch (bits.BB()) {
            case 3:
                break;
            case 1:
                scale.y = bits.DD(1.0), scale.z = bits.DD(1.0);
                break;
            case 2:
                scale.x = scale.y = scale.z = bits.RD();
                break;
            default:
                scale.x = bits.RD(), scale.y = bits.DD(scale.x), scale.z = bits.DD(scale.x);
        }
    } else {
        scale = bits.BD3();
    }
    const double rotation = bits.BD();
    const DxfPoint normal = bits.BD3();
    const bool attributes = bits.B();
    if (attributes && bits.R2004()) bits.BL();  // how many it owns
    if (attributes) out.Int(66, 1);
    out.Text(2, {});  // the block's name, filled in by the model
    out.Point(10, at);
    out.Real(41, scale.x);
    out.Real(42, scale.y);
    out.Real(43, scale.z);
    out.Real(50, rotation * kDegrees);
    if (object.type == kMinsert) {
        out.Int(70, bits.BS());
        out.Int(71, bits.BS());
        out.Real(44, bits.BD());
        out.Real(45, bits.BD());
    }
    Extrusion(entity, out, normal);
}

void Vertex(const DwgObject& object, DwgBits& bits, Out& out) {
    if (object.type == kVertexPfaceFace) {
        out.Point(10, {});
        out.Int(70, 128);
        for (int i = 0; i < 4; ++i) out.Int(71 + i, static_cast<int16_t>(bits.BS()));
        return;
    }
    int flags = bits.RC();
    out.Point(10, bits.BD3());
    if (object.type == kVertex2d) {
        double start = bits.BD(), end = start;
        if (start < 0) {
            start = end = -start;
        } else {
            end = bits.BD();
        }
        out.Real(40, start);
        out.Real(41, end);
        out.Real(42, bits.BD());
        out.Real(50, bits.BD() * kDegrees);
    }
    if (object.type == kVertex3d) flags |= 32;
    if (object.type == kVertexMesh) flags |= 64;
    if (object.type == kVertexPface) flags |= 64 | 128;
    out.Int(70, flags);
}

void Polyline(const DwgObject& object, DwgBits& bits, DxfEntity& entity, Out& out) {
    out.Int(66, 1);
    switch (object.type) {
        case kPolyline2d: {
            const int flags = bits.BS();
            const int curve = bits.BS();
            const double start = bits.BD(), end = bits.BD();
            const double thickness = bits.BT();
            const double elevation = bits.BD();
            out.Point(10, {0, 0, elevation});
            out.Int(70, flags);
            out.Real(40, start);
            out.Real(41, end);
            out.Int(75, curve);
            out.Real(39, thickness);
            Extrusion(entity, out, bits.BE());
            break;
        }
        case kPolyline3d: {
            bits.RC();  // curve fitting
            const int closed = bits.RC() & 1;
            out.Point(10, {});
            out.Int(70, 8 | closed);
            break;
        }
        case kPolylinePface:
            out.Point(10, {});
            out.Int(70, 64);
            out.Int(71, bits.BS());
            out.Int(72, bits.BS());
            break;
        default: {  // mesh
            const int flags = bits.BS();
            const int curve = bits.BS();
            out.Point(10, {});
            out.Int(70, 16 | flags);
            out.Int(71, bits.BS());
            out.Int(72, bits.BS());
            out.Int(73, bits.BS());
            out.Int(74, bits.BS());
            out.Int(75, curve);
        }
    }
}

void Dimension(const DwgObject& object, DwgBits& bits, DxfEntity& entity, Out& out) {
    const DxfPoint normal = bits.BD3();
    DxfPoint middle = bits.RD2();
    middle.z = bits.BD();
    bits.RC();  // flags
    const std::string text = bits.TV();
    constexpr int kKinds[] = {6, 0, 1, 5, 2, 4, 3};  // from ordinate on, in type order
    out.Text(2, {});
    const bool fixed = object.type >= kDimOrdinate && object.type <= kDimDiameter;
    out.Int(70, 32 | (fixed ? kKinds[object.type - kDimOrdinate] : 5));  // 32: its own block
    out.Point(11, middle);
    out.Text(1, text);
    Extrusion(entity, out, normal);
}

void Lwpolyline(DwgBits& bits, DxfEntity& entity, Out& out) {
    const int flags = bits.BS();
    double width = 0, elevation = 0, thickness = 0;
    DxfPoint normal{0, 0, 1};
    if (flags & 4) width = bits.BD();
    if (flags & 8) elevation = bits.BD();
    if (flags & 2) thickness = bits.BD();
    if (flags & 1) normal = bits.BD3();
    const uint32_t points = bits.BL();
    const uint32_t bulges = (flags & 16) ? bits.BL() : 0;
    const uint32_t widths = (flags & 32) ? bits.BL() : 0;
    out.Int(90, points);
    out.Int(70, ((flags & 512) ? 1 : 0) | ((flags & 256) ? 128 : 0));
    out.Real(43, width);
    out.Real(38, elevation);
    out.Real(39, thickness);
    // Bulges and widths come after all points: the points are held until they are known. A
    // point takes at least 4 bits, which bounds the list by the object's size.
    std::vector<DxfPoint> vertices;
    DxfPoint last;
    for (uint32_t i = 0; i < points && !bits.Overrun() && vertices.size() < kMaxDxfEntityPairs;
         ++i) {
        last = (i == 0 || !bits.R2000()) ? bits.RD2() : bits.DD2(last);
        if (!bits.Overrun()) vertices.push_back(last);
    }
    std::vector<double> bulge;
    for (uint32_t i = 0; i < bulges && !bits.Overrun() && bulge.size() < vertices.size(); ++i) {
        bulge.push_back(bits.BD());
    }
    std::vector<std::pair<double, double>> width2;
    for (uint32_t i = 0; i < widths && !bits.Overrun() && width2.size() < vertices.size(); ++i) {
        const double start = bits.BD();
        width2.emplace_back(start, bits.BD());
    }
    for (std::size_t i = 0; i < vertices.size() && !out.Full(); ++i) {
        out.Point2(10, vertices[i]);
        if (i < width2.size()) out.Real(40, width2[i].first), out.Real(41, width2[i].second);
        if (i < bulge.size()) out.Real(42, bulge[i]);
    }
    Extrusion(entity, out, normal);
}

void Spline(DwgBits& bits, Out& out) {
    const uint32_t scenario = bits.BL();
    const uint32_t degree = bits.BL();
    uint32_t knots = 0, controls = 0, fits = 0;
    bool weighted = false;
    int flags = 8;
    if (scenario == 2) {
        const double tolerance = bits.BD();
        const DxfPoint begin = bits.BD3(), end = bits.BD3();
        fits = bits.BL();
        out.Int(70, flags);
        out.Int(71, degree);
        out.Int(74, fits);
        out.Real(44, tolerance);
        out.Point(12, begin);
        out.Point(13, end);
    } else {
        if (bits.B()) flags |= 4;  // rational
        if (bits.B()) flags |= 1;  // closed
        if (bits.B()) flags |= 2;  // periodic
        const double knotTolerance = bits.BD(), controlTolerance = bits.BD();
        knots = bits.BL();
        controls = bits.BL();
        weighted = bits.B();
        out.Int(70, flags);
        out.Int(71, degree);
        out.Int(72, knots);
        out.Int(73, controls);
        out.Int(74, 0);
        out.Real(42, knotTolerance);
        out.Real(43, controlTolerance);
    }
    for (uint32_t i = 0; i < knots && More(bits, out); ++i) out.Real(40, bits.BD());
    std::vector<double> weights;
    for (uint32_t i = 0; i < controls && More(bits, out); ++i) {
        out.Point(10, bits.BD3());
        if (weighted) weights.push_back(bits.BD());
    }
    for (std::size_t i = 0; i < weights.size() && !out.Full(); ++i) out.Real(41, weights[i]);
    for (uint32_t i = 0; i < fits && More(bits, out); ++i) out.Point(11, bits.BD3());
}

void HatchEdges(DwgBits& bits, Out& out) {
    const uint32_t edges = bits.BL();
    out.Int(93, edges);
    for (uint32_t i = 0; i < edges && More(bits, out); ++i) {
        const int kind = bits.RC();
        out.Int(72, kind);
        switch (kind) {
            case 1:
                out.Point2(10, bits.RD2());
                out.Point2(11, bits.RD2());
                break;
            case 2:
                out.Point2(10, bits.RD2());
                out.Real(40, bits.BD());
                out.Real(50, bits.BD() * kDegrees);
                out.Real(51, bits.BD() * kDegrees);
                out.Int(73, bits.B());
                break;
            case 3:
                out.Point2(10, bits.RD2());
                out.Point2(11, bits.RD2());
                out.Real(40, bits.BD());
                out.Real(50, bits.BD() * kDegrees);
                out.Real(51, bits.BD() * kDegrees);
                out.Int(73, bits.B());
                break;
            case 4: {
                out.Int(94, bits.BL());
                const bool rational = bits.B();
                out.Int(73, rational);
                out.Int(74, bits.B());
                const uint32_t knots = bits.BL(), controls = bits.BL();
                out.Int(95, knots);
                out.Int(96, controls);
                for (uint32_t k = 0; k < knots && More(bits, out); ++k) out.Real(40, bits.BD());
                for (uint32_t k = 0; k < controls && More(bits, out); ++k) {
                    out.Point2(10, bits.RD2());
                    if (rational) out.Real(42, bits.BD());
                }
                break;
            }
            default:
                return;  // no such edge: the rest cannot be told apart
        }
    }
}

void Hatch(DwgBits& bits, DxfEntity& entity, Out& out) {
    if (bits.R2004()) {  // a gradient, drawn as its boundary
        bits.BL(), bits.BL();
        bits.BD(), bits.BD();
        bits.BL();
        bits.BD();
        const uint32_t colours = bits.BL();
        for (uint32_t i = 0; i < colours && !bits.Overrun(); ++i) {
            bits.BD(), bits.BS(), bits.BL(), bits.RC();
        }
        bits.TV();
    }
    const double elevation = bits.BD();
    const DxfPoint normal = bits.BD3();
    const std::string name = bits.TV();
    const bool solid = bits.B();
    const bool associative = bits.B();
    const uint32_t paths = bits.BL();
    out.Point(10, {0, 0, elevation});
    Extrusion(entity, out, normal);
    out.Text(2, name);
    out.Int(70, solid);
    out.Int(71, associative);
    out.Int(91, paths);
    for (uint32_t i = 0; i < paths && More(bits, out); ++i) {
        const uint32_t flags = bits.BL();
        out.Int(92, flags);
        if (!(flags & 2)) {
            HatchEdges(bits, out);
        } else {
            const bool bulges = bits.B();
            out.Int(72, bulges);
            out.Int(73, bits.B());
            const uint32_t vertices = bits.BL();
            out.Int(93, vertices);
            for (uint32_t v = 0; v < vertices && More(bits, out); ++v) {
                out.Point2(10, bits.RD2());
                if (bulges) out.Real(42, bits.BD());
            }
        }
        const uint32_t sources = bits.BL();
        out.Int(97, bits.Overrun() ? 0 : sources);
    }
    const int style = bits.BS();
    const int pattern = bits.BS();
    if (bits.Overrun()) return;
    out.Int(75, style);
    out.Int(76, pattern);
}

void Mline(DwgBits& bits, DxfEntity& entity, Out& out) {
    out.Real(40, bits.BD());
    out.Int(70, bits.RC());
    out.Point(10, bits.BD3());
    const DxfPoint normal = bits.BD3();
    out.Int(71, bits.BS());
    const int lines = bits.RC();
    const int vertices = bits.BS();
    out.Int(72, vertices);
    out.Int(73, lines);
    Extrusion(entity, out, normal);
    for (int v = 0; v < vertices && More(bits, out); ++v) {
        out.Point(11, bits.BD3());
        out.Point(12, bits.BD3());
        out.Point(13, bits.BD3());
        for (int l = 0; l < lines && More(bits, out); ++l) {
            const int parameters = bits.BS();
            out.Int(74, parameters);
            for (int k = 0; k < parameters && More(bits, out); ++k) out.Real(41, bits.BD());
            const int fills = bits.BS();
            out.Int(75, fills);
            for (int k = 0; k < fills && More(bits, out); ++k) out.Real(42, bits.BD());
        }
    }
}

void Leader(DwgBits& bits, DxfEntity& entity, Out& out) {
    bits.B();
    const int annotation = bits.BS();
    const int path = bits.BS();
    const uint32_t points = bits.BL();
    out.Int(72, path);
    out.Int(73, annotation);
    out.Int(76, points);
    for (uint32_t i = 0; i < points && More(bits, out); ++i) out.Point(10, bits.BD3());
    bits.BD3();  // the last point projected
    Extrusion(entity, out, bits.BD3());
    out.Point(211, bits.BD3());
}

void Mtext(DwgBits& bits, DxfEntity& entity, Out& out) {
    out.Point(10, bits.BD3());
    const DxfPoint normal = bits.BD3();
    out.Point(11, bits.BD3());
    out.Real(41, bits.BD());  // rectangle width
    out.Real(40, bits.BD());  // text height
    out.Int(71, bits.BS());
    out.Int(72, bits.BS());
    bits.BD();  // extents height
    bits.BD();  // extents width
    const std::string text = bits.TV();
    std::size_t at = 0;
    while (text.size() - at > kMtextChunk) {
        out.Text(3, text.substr(at, kMtextChunk));
        at += kMtextChunk;
    }
    out.Text(1, text.substr(at));
    if (bits.R2000()) {
        out.Int(73, bits.BS());
        out.Real(44, bits.BD());
    }
    Extrusion(entity, out, normal);
}

void Image(DwgBits& bits, Out& out) {
    bits.BL();  // class version
    out.Point(10, bits.BD3());
    out.Point(11, bits.BD3());
    out.Point(12, bits.BD3());
    out.Point2(13, bits.RD2());
    out.Int(70, bits.BS());
    out.Int(280, bits.B());
    out.Int(281, bits.RC());
    out.Int(282, bits.RC());
    out.Int(283, bits.RC());
    const int boundary = bits.BS();
    out.Int(71, boundary);
    const uint32_t vertices = boundary == 1 ? 2 : bits.BL();
    out.Int(91, vertices);
    for (uint32_t i = 0; i < vertices && More(bits, out); ++i) out.Point2(14, bits.RD2());
}

void Viewport(DwgBits& bits, Out& out) {
    out.Point(10, bits.BD3());
    out.Real(40, bits.BD());
    out.Real(41, bits.BD());
    if (!bits.R2000()) return;
    out.Point(17, bits.BD3());
    out.Point(16, bits.BD3());
    out.Real(51, bits.BD() * kDegrees);
    out.Real(45, bits.BD());
    out.Real(42, bits.BD());
    bits.BD(), bits.BD(), bits.BD();  // clip planes, snap angle
    out.Point2(12, bits.RD2());
}

}  // namespace

std::string DwgEntityType(const DwgFile& file, uint16_t type) {
    static const char* const kNames[] = {
        nullptr,     "TEXT",      "ATTRIB",    "ATTDEF",    "BLOCK",     "ENDBLK",    "SEQEND",
        "INSERT",    "INSERT",    nullptr,     "VERTEX",    "VERTEX",    "VERTEX",    "VERTEX",
        "VERTEX",    "POLYLINE",  "POLYLINE",  "ARC",       "CIRCLE",    "LINE",      "DIMENSION",
        "DIMENSION", "DIMENSION", "DIMENSION", "DIMENSION", "DIMENSION", "DIMENSION", "POINT",
        "3DFACE",    "POLYLINE",  "POLYLINE",  "SOLID",     "TRACE",     "SHAPE",     "VIEWPORT",
        "ELLIPSE",   "SPLINE",    "REGION",    "3DSOLID",   "BODY",      "RAY",       "XLINE",
        nullptr,     "OLEFRAME",  "MTEXT",     "LEADER",    "TOLERANCE", "MLINE"};
    if (type < std::size(kNames)) return kNames[type] ? kNames[type] : "";
    if (type == kOle2Frame) return "OLE2FRAME";
    if (type == kLwPolyline) return "LWPOLYLINE";
    if (type == kHatch) return "HATCH";
    if (type == kProxyEntity) return "ACAD_PROXY_ENTITY";
    const DwgFile::Class* c = file.ClassOf(type);
    return c && c->entity ? c->dxfName : "";
}

DwgEntityRefs ReadEntityRefs(const DwgObject& object, const std::string& type, DwgBits& bits) {
    DwgEntityRefs refs;
    const uint64_t self = object.handle;
    bits.Seek(object.handleBits);
    if (object.entityMode == 0) refs.owner = bits.H().Resolve(self);
    for (uint32_t i = 0; i < object.reactors && !bits.Overrun(); ++i) bits.H();
    if (!object.noDictionary) bits.H();  // extension dictionary
    if (object.colourHandle) bits.H();
    if (!bits.R2000()) {
        refs.layer = bits.H().Resolve(self);
        if (!object.byLayerLinetype) bits.H();
    }
    if (!object.noLinks) bits.H(), bits.H();  // previous and next entity
    if (bits.R2000()) {
        refs.layer = bits.H().Resolve(self);
        if (object.linetypeFlags == 3) bits.H();
        if (object.plotStyleFlags == 3) bits.H();
    }
    if (object.type == kInsert || object.type == kMinsert || type == "ACAD_TABLE") {
        refs.block = bits.H().Resolve(self);
    } else if ((object.type >= kDimOrdinate && object.type <= kDimDiameter) ||
               type == "ARC_DIMENSION") {
        bits.H();  // dimension style
        refs.block = bits.H().Resolve(self);
    }
    if (bits.Overrun()) refs.block = 0;
    return refs;
}

void DecodeEntityData(const DwgObject& object, DwgBits& bits, DxfEntity& entity) {
    Out out(entity);
    const std::string& type = entity.type;
    switch (object.type) {
        case kText:
        case kAttrib:
        case kAttdef:
            Text(object, bits, entity, out);
            return;
        case kInsert:
        case kMinsert:
            Insert(object, bits, entity, out);
            return;
        case kVertex2d:
        case kVertex3d:
        case kVertexMesh:
        case kVertexPface:
        case kVertexPfaceFace:
            Vertex(object, bits, out);
            return;
        case kPolyline2d:
        case kPolyline3d:
        case kPolylinePface:
        case kPolylineMesh:
            Polyline(object, bits, entity, out);
            return;
        case kDimOrdinate:
        case kDimLinear:
        case kDimAligned:
        case kDimAng3pt:
        case kDimAng2ln:
        case kDimRadius:
        case kDimDiameter:
            Dimension(object, bits, entity, out);
            return;
        case kArc:
        case kCircle: {
            out.Point(10, bits.BD3());
            out.Real(40, bits.BD());
            out.Real(39, bits.BT());
            Extrusion(entity, out, bits.BE());
            if (object.type == kArc) {
                out.Real(50, bits.BD() * kDegrees);
                out.Real(51, bits.BD() * kDegrees);
            }
            return;
        }
        case kLine: {
            DxfPoint start, end;
            if (bits.R2000()) {
                const bool flat = bits.B();
                start.x = bits.RD();
                end.x = bits.DD(start.x);
                start.y = bits.RD();
                end.y = bits.DD(start.y);
                if (!flat) {
                    start.z = bits.RD();
                    end.z = bits.DD(start.z);
                }
            } else {
                start = bits.BD3();
                end = bits.BD3();
            }
            out.Point(10, start);
            out.Point(11, end);
            out.Real(39, bits.BT());
            Extrusion(entity, out, bits.BE());
            return;
        }
        case kPoint:
            out.Point(10, bits.BD3());
            out.Real(39, bits.BT());
            Extrusion(entity, out, bits.BE());
            out.Real(50, bits.BD() * kDegrees);
            return;
        case kFace3d: {
            DxfPoint corners[4];
            bool flags = true;
            if (bits.R2000()) {
                flags = !bits.B();
                const bool flat = bits.B();
                corners[0] = bits.RD2();
                if (!flat) corners[0].z = bits.RD();
                for (int i = 1; i < 4; ++i) corners[i] = bits.DD3(corners[i - 1]);
            } else {
                for (auto& corner : corners) corner = bits.BD3();
            }
            for (int i = 0; i < 4; ++i) out.Point(10 + i, corners[i]);
            out.Int(70, flags ? bits.BS() : 0);
            return;
        }
        case kSolid:
        case kTrace: {
            const double thickness = bits.BT();
            const double elevation = bits.BD();
            for (int i = 0; i < 4; ++i) {
                DxfPoint corner = bits.RD2();
                corner.z = elevation;
                out.Point(10 + i, corner);
            }
            out.Real(39, thickness);
            Extrusion(entity, out, bits.BE());
            return;
        }
        case kEllipse:
            out.Point(10, bits.BD3());
            out.Point(11, bits.BD3());
            Extrusion(entity, out, bits.BD3());
            out.Real(40, bits.BD());
            out.Real(41, bits.BD());
            out.Real(42, bits.BD());
            return;
        case kRay:
        case kXline:
            out.Point(10, bits.BD3());
            out.Point(11, bits.BD3());
            return;
        case kSpline:
            Spline(bits, out);
            return;
        case kMtext:
            Mtext(bits, entity, out);
            return;
        case kLeader:
            Leader(bits, entity, out);
            return;
        case kMline:
            Mline(bits, entity, out);
            return;
        case kLwPolyline:
            Lwpolyline(bits, entity, out);
            return;
        case kHatch:
            Hatch(bits, entity, out);
            return;
        case kViewport:
            Viewport(bits, out);
            return;
        default:
            break;
    }
    // Class entities are told by name: their type numbers differ between drawings.
    // A table is drawn as its block, which it refers to as an insert does, after the same
    // fields; an arc dimension as its block too.
    if (type == "ACAD_TABLE") Insert(object, bits, entity, out);
    if (type == "ARC_DIMENSION") Dimension(object, bits, entity, out);
    if (type == "LWPOLYLINE") Lwpolyline(bits, entity, out);
    if (type == "HATCH") Hatch(bits, entity, out);
    if (type == "IMAGE" || type == "WIPEOUT") Image(bits, out);
}

std::string DwgCodePageName(uint16_t number) {
    static const char* const kNames[] = {
        "",          "ASCII",     "ISO8859-1", "ISO8859-2", "ISO8859-3", "ISO8859-4", "ISO8859-5",
        "ISO8859-6", "ISO8859-7", "ISO8859-8", "ISO8859-9", "DOS437",    "DOS850",    "DOS852",
        "DOS855",    "DOS857",    "DOS860",    "DOS861",    "DOS863",    "DOS864",    "DOS865",
        "DOS869",    "DOS932",    "MACINTOSH", "BIG5",      "KSC5601",   "JOHAB",     "DOS866",
        "ANSI_1250", "ANSI_1251", "ANSI_1252", "GB2312",    "ANSI_1253", "ANSI_1254", "ANSI_1255",
        "ANSI_1256", "ANSI_1257", "ANSI_874",  "ANSI_932",  "ANSI_936",  "ANSI_949",  "ANSI_950",
        "ANSI_1361", "ANSI_1200", "ANSI_1258"};
    return number < std::size(kNames) ? kNames[number] : "";
}
