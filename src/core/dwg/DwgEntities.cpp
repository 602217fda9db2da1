// Entity data of R13 to R2018, field by field as the format lays it out, turned into the pairs
// DXF writes for the same entity. Angles become degrees where DXF writes degrees; a value that
// is not finite becomes 0, as DXF pairs are always finite. Counts are never trusted: every
// list stops when the bits run out or the entity's pair cap is reached.
#include "dwg/DwgEntities.h"

#include <cmath>
#include <vector>

#include "dwg/DwgPairs.h"

namespace {

using namespace dwgpairs;

constexpr uint64_t kMtextChunk = 250;  // DXF cuts long texts into 3 pairs of this many bytes

// clang-format off
enum Type : uint16_t {
    kText = 1, kAttrib, kAttdef, kBlock, kEndblk, kSeqend, kInsert, kMinsert,
    kVertex2d = 10, kVertex3d, kVertexMesh, kVertexPface, kVertexPfaceFace,
    kPolyline2d, kPolyline3d, kArc, kCircle, kLine,
    kDimOrdinate, kDimLinear, kDimAligned, kDimAng3pt, kDimAng2ln, kDimRadius, kDimDiameter,
    kPoint, kFace3d, kPolylinePface, kPolylineMesh, kSolid, kTrace, kShape, kViewport,
    kEllipse, kSpline, kRegion, kSolid3d, kBody, kRay, kXline,
    kOleFrame = 43, kMtext, kLeader, kTolerance, kMline,
    kOle2Frame = 74, kLwPolyline = 77, kHatch = 78, kProxyEntity = 498,
};
// clang-format on

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
    if (bits.R2010()) bits.RC();  // version
    // From R2018 a kind: 1 one line, else a paragraph text's fields follow, which are not
    // read (the line read above stands for it).
    if (bits.R2018() && bits.RC() > 1) return;
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
    if (bits.R2010()) bits.RC();  // version
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

void Mtext(DwgBits& bits, DxfEntity& entity, Out& out) {
    out.Point(10, bits.BD3());
    const DxfPoint normal = bits.BD3();
    out.Point(11, bits.BD3());
    out.Real(41, bits.BD());      // rectangle width
    if (bits.R2007()) bits.BD();  // rectangle height
    out.Real(40, bits.BD());      // text height
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
    if (bits.R2010()) bits.B();  // clip mode: inside or outside the boundary
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
        if (object.materialFlags == 3) bits.H();
        if (object.plotStyleFlags == 3) bits.H();
        for (int i = 0; i < object.visualStyles; ++i) bits.H();
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
    // A helix is a spline first; its own fields (axis, turns) follow and are not needed.
    if (type == "HELIX") Spline(bits, out);
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
