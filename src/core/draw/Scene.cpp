#include "Scene.h"

#include <algorithm>

#include "draw/PortableMath.h"
#include "dxf/DxfOcs.h"
#include "dxf/DxfShapes.h"
#include "dxf/DxfTextOutlines.h"

Affine Affine::Then(const Affine& inner) const {
    Affine out;
    for (int row = 0; row < 3; ++row) {
        const double* a = &m[row * 4];
        for (int column = 0; column < 4; ++column) {
            out.m[row * 4 + column] = a[0] * inner.m[column] + a[1] * inner.m[4 + column] +
                                      a[2] * inner.m[8 + column] + (column == 3 ? a[3] : 0);
        }
    }
    return out;
}

Affine Affine::Translate(const DxfPoint& by) {
    Affine out;
    out.m[3] = by.x, out.m[7] = by.y, out.m[11] = by.z;
    return out;
}

void SceneList::Append(const SceneList& other) {
    const auto points0 = static_cast<uint32_t>(points.size());
    const auto rings0 = static_cast<uint32_t>(rings.size());
    const auto inserts0 = static_cast<uint32_t>(inserts.size());
    points.insert(points.end(), other.points.begin(), other.points.end());
    for (auto ring : other.rings) rings.emplace_back(ring.first + points0, ring.second);
    inserts.insert(inserts.end(), other.inserts.begin(), other.inserts.end());
    for (SceneItem item : other.items) {
        item.first += item.kind == ItemKind::Area     ? rings0
                      : item.kind == ItemKind::Insert ? inserts0
                                                      : points0;
        items.push_back(item);
    }
}

int32_t SceneNames::Of(const std::string& name) {
    std::string upper = name;
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    const auto at = index_.find(upper);
    if (at != index_.end()) return at->second;
    if (names_.size() >= kMaxNames) return kUnknown;
    const auto index = static_cast<int32_t>(names_.size());
    index_.emplace(upper, index);
    names_.push_back(std::move(upper));
    return index;
}

SceneItem SceneBuilder::ItemOf(const DxfEntity& entity, ItemKind kind) {
    SceneItem item;
    item.kind = kind;
    item.paper = entity.paperSpace;
    item.layer = names_.Of(entity.layer.empty() ? "0" : entity.layer);
    item.colour = entity.colour < 0 ? -entity.colour : entity.colour;
    if (entity.trueColour) item.trueColour = *entity.trueColour;
    return item;
}

void SceneBuilder::FinishPolyline(SceneList& out) {
    polyline_ = false;
    outlines_.Clear();
    OutlinesOf(polylineRecord_, vertices_, tolerance, outlines_);
    vertices_.clear();
    skippedBodies += outlines_.skippedBodies;
    outlines_.skippedBodies = 0;
    Outlines(polylineRecord_, out);
}

void SceneBuilder::Outlines(const DxfEntity& entity, SceneList& out) {
    for (const DxfRun& run : outlines_.runs) {
        if (run.points.empty()) continue;
        SceneItem item = ItemOf(entity, ItemKind::Run);
        item.closed = run.closed;
        item.first = static_cast<uint32_t>(out.points.size());
        item.count = static_cast<uint32_t>(run.points.size());
        out.points.insert(out.points.end(), run.points.begin(), run.points.end());
        out.items.push_back(item);
    }
    for (const DxfArea& area : outlines_.areas) {
        SceneItem item = ItemOf(entity, ItemKind::Area);
        item.first = static_cast<uint32_t>(out.rings.size());
        for (const DxfRun& ring : area.rings) {
            if (ring.points.size() < 3) continue;
            out.rings.emplace_back(static_cast<uint32_t>(out.points.size()),
                                   static_cast<uint32_t>(ring.points.size()));
            out.points.insert(out.points.end(), ring.points.begin(), ring.points.end());
        }
        item.count = static_cast<uint32_t>(out.rings.size()) - item.first;
        if (item.count > 0) out.items.push_back(item);
    }
}

void SceneBuilder::AddInsert(const DxfEntity& entity, const SceneInsert& placed, SceneList& out) {
    SceneItem item = ItemOf(entity, ItemKind::Insert);
    item.first = static_cast<uint32_t>(out.inserts.size());
    item.count = 1;
    out.inserts.push_back(placed);
    out.items.push_back(item);
}

void SceneBuilder::Entity(const DxfEntity& entity, SceneList& out) {
    const std::string& type = entity.type;
    outlines_.Clear();
    if (const auto insert = DecodeInsert(entity)) {
        const DxfOcs ocs(entity.extrusion);
        double sine, cosine;
        pmath::SinCos(pmath::Radians(insert->rotation), sine, cosine);
        const auto world = [&](const DxfPoint& p) { return ocs.ToWorld(p); };
        const DxfPoint ax = world({cosine, sine, 0}), ay = world({-sine, cosine, 0});
        const DxfPoint az = ocs.az, at = world(insert->at);
        SceneInsert placed;
        placed.block = names_.Of(insert->block);
        const double sx = insert->scaleX, sy = insert->scaleY, sz = insert->scaleZ;
        placed.place.m[0] = ax.x * sx, placed.place.m[1] = ay.x * sy, placed.place.m[2] = az.x * sz;
        placed.place.m[4] = ax.y * sx, placed.place.m[5] = ay.y * sy, placed.place.m[6] = az.y * sz;
        placed.place.m[8] = ax.z * sx, placed.place.m[9] = ay.z * sy,
        placed.place.m[10] = az.z * sz;
        placed.place.m[3] = at.x, placed.place.m[7] = at.y, placed.place.m[11] = at.z;
        placed.columns = std::max(1, insert->columns);
        placed.rows = std::max(1, insert->rows);
        const double cs = insert->columnSpacing, rs = insert->rowSpacing;
        placed.columnStep = {ax.x * cs, ax.y * cs, ax.z * cs};
        placed.rowStep = {ay.x * rs, ay.y * rs, ay.z * rs};
        AddInsert(entity, placed, out);
        return;
    }
    if (type == "DIMENSION") {
        // Its block holds the picture already placed: drawn where it stands.
        for (const DxfPair& p : entity.pairs) {
            if (p.code == 1001) break;
            if (p.code != 2 || p.text.empty()) continue;
            SceneInsert placed;
            placed.block = names_.Of(p.text);
            AddInsert(entity, placed, out);
            break;
        }
        return;
    }
    if (type == "XLINE" || type == "RAY") {
        DxfPoint base, direction{1, 0, 0};
        for (const DxfPair& p : entity.pairs) {
            if (p.code == 1001) break;
            DxfCoordinate(base, p, 10);
            DxfCoordinate(direction, p, 11);
        }
        SceneItem item = ItemOf(entity, type == "RAY" ? ItemKind::Ray : ItemKind::Xline);
        item.first = static_cast<uint32_t>(out.points.size());
        item.count = 2;
        out.points.push_back(base);
        out.points.push_back(direction);
        out.items.push_back(item);
        return;
    }
    if (type == "TEXT" || type == "MTEXT" || type == "ATTRIB" || (type == "ATTDEF" && !inBlock_)) {
        TextOutlinesOf(entity, TextCodePage(drawing_.header), outlines_);
    } else {
        OutlinesOf(entity, {}, tolerance, outlines_);
        skippedBodies += outlines_.skippedBodies;
        outlines_.skippedBodies = 0;
    }
    Outlines(entity, out);
}
