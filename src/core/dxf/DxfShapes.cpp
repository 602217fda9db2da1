#include "DxfShapes.h"

void DxfCoordinate(DxfPoint& point, const DxfPair& p, int base) {
    if (p.code == base) point.x = p.real;
    if (p.code == base + 10) point.y = p.real;
    if (p.code == base + 20) point.z = p.real;
}

namespace {

// Extended data (from the first 1001 on) belongs to applications, and its 1010-1071 codes are
// not the entity's: decoding stops there.
template <class Field>
void EntityPairs(const DxfEntity& entity, Field field) {
    for (const DxfPair& p : entity.pairs) {
        if (p.code == 1001) return;
        field(p);
    }
}

}  // namespace

std::optional<DxfLine> DecodeLine(const DxfEntity& entity) {
    if (entity.type != "LINE") return std::nullopt;
    DxfLine line;
    EntityPairs(entity, [&](const DxfPair& p) {
        DxfCoordinate(line.start, p, 10);
        DxfCoordinate(line.end, p, 11);
    });
    return line;
}

std::optional<DxfCircle> DecodeCircle(const DxfEntity& entity) {
    if (entity.type != "CIRCLE") return std::nullopt;
    DxfCircle circle;
    EntityPairs(entity, [&](const DxfPair& p) {
        DxfCoordinate(circle.centre, p, 10);
        if (p.code == 40) circle.radius = p.real;
    });
    return circle;
}

std::optional<DxfArc> DecodeArc(const DxfEntity& entity) {
    if (entity.type != "ARC") return std::nullopt;
    DxfArc arc;
    EntityPairs(entity, [&](const DxfPair& p) {
        DxfCoordinate(arc.centre, p, 10);
        if (p.code == 40) arc.radius = p.real;
        if (p.code == 50) arc.startAngle = p.real;
        if (p.code == 51) arc.endAngle = p.real;
    });
    return arc;
}

std::optional<DxfPointShape> DecodePoint(const DxfEntity& entity) {
    if (entity.type != "POINT") return std::nullopt;
    DxfPointShape point;
    EntityPairs(entity, [&](const DxfPair& p) { DxfCoordinate(point.at, p, 10); });
    return point;
}

std::optional<DxfLwPolyline> DecodeLwPolyline(const DxfEntity& entity) {
    if (entity.type != "LWPOLYLINE") return std::nullopt;
    DxfLwPolyline polyline;
    auto& vertices = polyline.vertices;
    // A vertex starts at its 10; its 20, bulge and widths follow it.
    EntityPairs(entity, [&](const DxfPair& p) {
        if (p.code == 10) vertices.push_back({p.real});
        if (p.code == 70) polyline.closed = (p.integer & 1) != 0;
        if (p.code == 38) polyline.elevation = p.real;
        if (p.code == 43) polyline.constantWidth = p.real;
        if (vertices.empty()) return;
        if (p.code == 20) vertices.back().y = p.real;
        if (p.code == 42) vertices.back().bulge = p.real;
        if (p.code == 40) vertices.back().startWidth = p.real;
        if (p.code == 41) vertices.back().endWidth = p.real;
    });
    return polyline;
}

std::optional<DxfText> DecodeText(const DxfEntity& entity) {
    if (entity.type != "TEXT") return std::nullopt;
    DxfText text;
    EntityPairs(entity, [&](const DxfPair& p) {
        DxfCoordinate(text.at, p, 10);
        DxfCoordinate(text.alignAt, p, 11);
        if (p.code == 1) text.text = p.text;
        if (p.code == 7) text.style = p.text;
        if (p.code == 40) text.height = p.real;
        if (p.code == 50) text.rotation = p.real;
        if (p.code == 41) text.widthFactor = p.real;
        if (p.code == 51) text.oblique = p.real;
        if (p.code == 72) text.horizontal = static_cast<int>(p.integer);
        if (p.code == 73) text.vertical = static_cast<int>(p.integer);
    });
    return text;
}

std::optional<DxfInsert> DecodeInsert(const DxfEntity& entity) {
    if (entity.type != "INSERT") return std::nullopt;
    DxfInsert insert;
    EntityPairs(entity, [&](const DxfPair& p) {
        DxfCoordinate(insert.at, p, 10);
        if (p.code == 2) insert.block = p.text;
        if (p.code == 41) insert.scaleX = p.real;
        if (p.code == 42) insert.scaleY = p.real;
        if (p.code == 43) insert.scaleZ = p.real;
        if (p.code == 50) insert.rotation = p.real;
        if (p.code == 70) insert.columns = static_cast<int>(p.integer);
        if (p.code == 71) insert.rows = static_cast<int>(p.integer);
        if (p.code == 44) insert.columnSpacing = p.real;
        if (p.code == 45) insert.rowSpacing = p.real;
        if (p.code == 66) insert.attributes = p.integer != 0;
    });
    return insert;
}
