#pragma once
// A drawing's geometry as the renderer keeps it between reading and drawing: flattened runs and
// filled areas in the coordinates of their space or block, and inserts as references to the
// blocks they place. Lists are bounded in bytes; what does not fit is said, never held.
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "dxf/DxfGeometry.h"
#include "dxf/DxfReader.h"

// 3 x 4 affine map: rows give x, y, z of the image of (x, y, z, 1).
struct Affine {
    double m[12] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0};
    DxfPoint Apply(const DxfPoint& p) const {
        return {m[0] * p.x + m[1] * p.y + m[2] * p.z + m[3],
                m[4] * p.x + m[5] * p.y + m[6] * p.z + m[7],
                m[8] * p.x + m[9] * p.y + m[10] * p.z + m[11]};
    }
    DxfPoint Linear(const DxfPoint& p) const {
        return {m[0] * p.x + m[1] * p.y + m[2] * p.z, m[4] * p.x + m[5] * p.y + m[6] * p.z,
                m[8] * p.x + m[9] * p.y + m[10] * p.z};
    }
    Affine Then(const Affine& inner) const;  // this after `inner`
    static Affine Translate(const DxfPoint& by);
};

enum class ItemKind : uint8_t { Run, Area, Insert, Xline, Ray };

struct SceneItem {
    ItemKind kind = ItemKind::Run;
    bool closed = false;
    bool paper = false;
    int32_t layer = 0;     // index into SceneNames
    int32_t colour = 256;  // ACI as written
    int64_t trueColour = -1;
    // Run: points; Area: rings; Insert: one insert; Xline/Ray: base and direction.
    uint32_t first = 0, count = 0;
};

struct SceneInsert {
    int32_t block = 0;  // index into SceneNames of the block's name
    Affine place;       // block coordinates to the space's
    int64_t columns = 1, rows = 1;
    DxfPoint columnStep, rowStep;  // in the space's coordinates
};

struct SceneList {
    std::vector<SceneItem> items;
    std::vector<DxfPoint> points;
    std::vector<std::pair<uint32_t, uint32_t>> rings;  // first point, count
    std::vector<SceneInsert> inserts;
    std::size_t Bytes() const {
        return items.size() * sizeof(SceneItem) + points.size() * sizeof(DxfPoint) +
               rings.size() * 8 + inserts.size() * sizeof(SceneInsert);
    }
    void Clear() { items.clear(), points.clear(), rings.clear(), inserts.clear(); }
    void Append(const SceneList& other);
};

// Upper-cased names (layers, blocks) as small numbers. A drawing naming more than kMaxNames
// gets kUnknown for the rest: no layer (drawn, in white) and no block (not drawn).
class SceneNames {
  public:
    static constexpr std::size_t kMaxNames = 1 << 16;
    static constexpr int32_t kUnknown = 0;  // named by no drawing: "" is kept by no table

    SceneNames() { Of(""); }
    int32_t Of(const std::string& name);
    const std::string& Name(int32_t index) const { return names_[index]; }
    std::size_t Size() const { return names_.size(); }

  private:
    std::map<std::string, int32_t> index_;
    std::vector<std::string> names_;
};

// Turns the reader's records into scene items: POLYLINE with its VERTEXes, inserts, dimensions,
// XLINE/RAY, text, and the rest through OutlinesOf.
class SceneBuilder {
  public:
    SceneBuilder(SceneNames& names, const DxfDrawing& drawing, bool inBlock)
        : names_(names), drawing_(drawing), inBlock_(inBlock) {}

    double tolerance = 0;
    std::size_t entities = 0, skippedBodies = 0;

    // Takes one record; whole entities go to `out`, which `done` is told of after each.
    template <class Done>
    void Take(const DxfEntity& record, SceneList& out, Done done) {
        if (polyline_) {
            if (record.type == "VERTEX") {
                const std::size_t bytes = sizeof record + record.pairs.size() * sizeof(DxfPair);
                if (bytes <= kMaxVertexBytes - std::min(kMaxVertexBytes, vertexBytes_)) {
                    vertexBytes_ += bytes;
                    vertices_.push_back(record);
                }
                return;
            }
            FinishPolyline(out);
            done();
            if (record.type == "SEQEND") return;
        }
        if (record.type == "POLYLINE") {
            ++entities;
            polylineRecord_ = record;
            polyline_ = true;
            vertices_.clear();
            vertexBytes_ = 0;
            return;
        }
        if (record.type == "SEQEND" || record.type == "VERTEX") return;
        ++entities;
        Entity(record, out);
        done();
    }
    // The last POLYLINE when the records end without its SEQEND.
    template <class Done>
    void Finish(SceneList& out, Done done) {
        if (!polyline_) return;
        FinishPolyline(out);
        done();
    }

  private:
    // A POLYLINE's vertices are held until its SEQEND: a polyline claiming millions is drawn
    // with the first that fit.
    static constexpr std::size_t kMaxVertexBytes = std::size_t{8} << 20;
    void FinishPolyline(SceneList& out);
    void Entity(const DxfEntity& entity, SceneList& out);
    void Outlines(const DxfEntity& entity, SceneList& out);
    SceneItem ItemOf(const DxfEntity& entity, ItemKind kind);
    void AddInsert(const DxfEntity& entity, const SceneInsert& placed, SceneList& out);

    SceneNames& names_;
    const DxfDrawing& drawing_;
    bool inBlock_;
    bool polyline_ = false;
    DxfEntity polylineRecord_;
    std::vector<DxfEntity> vertices_;
    std::size_t vertexBytes_ = 0;
    DxfOutlines outlines_;
};
