// The picture of a DXF or DWG drawing. One pass reads the drawing: every entity is flattened
// into scene items (see Scene.h), the extents of what is drawn are gathered, and the items are
// kept in a bounded list. Blocks are read again, once each, when an insert needs them. Then the
// frame is chosen (the saved view where drawn geometry meets it, else the extents) and the
// items are drawn. When the list overflowed, or was flattened too coarsely for the frame found,
// the drawing is read a second time and drawn as it streams by.
#include "draw/DxfPicture.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>

#include "Error.h"
#include "draw/AciPalette.h"
#include "draw/DrawBudget.h"
#include "draw/Frame.h"
#include "draw/PortableMath.h"
#include "draw/Raster.h"
#include "draw/Scene.h"
#include "dwg/DwgModel.h"
#include "dxf/DxfOcs.h"
#include "preview/ByteSource.h"

namespace {

constexpr uint32_t kGround = 0x212830;  // (33, 40, 48)
constexpr uint32_t kWhite = 0xFFFFFF;
// What the kept geometry may take: the model list, and all cached blocks together.
constexpr std::size_t kMaxListBytes = std::size_t{20} << 20;
constexpr std::size_t kMaxBlockBytes = std::size_t{16} << 20;
constexpr int kMaxDepth = 16;
// Instances an extents walk follows one by one; past it an array counts as its box.
constexpr int64_t kInstancesWalked = 16;

struct Box3 {
    DxfPoint low{1e308, 1e308, 1e308}, high{-1e308, -1e308, -1e308};
    bool empty = true;
    void Add(const DxfPoint& p) {
        if (!(std::fabs(p.x) <= 1e308 && std::fabs(p.y) <= 1e308 && std::fabs(p.z) <= 1e308)) {
            return;
        }
        empty = false;
        low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
        high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
    }
    template <class F>
    void Corners(F f) const {
        for (int i = 0; i < 8; ++i) {
            f(DxfPoint{i & 1 ? high.x : low.x, i & 2 ? high.y : low.y, i & 4 ? high.z : low.z});
        }
    }
};

struct CachedBlock {
    bool loaded = false, missing = false, inProgress = false, boxDone = false;
    DxfPoint base;
    SceneList list;
    Box3 box;
};

struct Inherited {
    int32_t layer = -1;  // -1: top level
    uint32_t colour = kWhite;
};

// What a box's outline of `span` pixels costs; spans past any picture, infinite or NaN (a box
// of infinite corners) cost what the largest picture's outline does.
int64_t OutlineCost(double span) {
    constexpr double kMost = 4.0 * kMaxPictureSide;
    return 8 + (span >= 0 && span < kMost ? static_cast<int64_t>(4 * span) : 4 * kMaxPictureSide);
}

bool ClipSegment(double& x0, double& y0, double& x1, double& y1, double xmin, double ymin,
                 double xmax, double ymax) {
    double t0 = 0, t1 = 1;
    const double dx = x1 - x0, dy = y1 - y0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x0 - xmin, xmax - x0, y0 - ymin, ymax - y0};
    for (int i = 0; i < 4; ++i) {
        if (!std::isfinite(p[i]) || !std::isfinite(q[i])) return false;
        if (p[i] == 0) {
            if (q[i] < 0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0) {
            if (t > t1) return false;
            t0 = std::max(t0, t);
        } else {
            if (t < t0) return false;
            t1 = std::min(t1, t);
        }
    }
    const double ax = x0 + t0 * dx, ay = y0 + t0 * dy;
    x1 = x0 + t1 * dx, y1 = y0 + t1 * dy;
    x0 = ax, y0 = ay;
    return true;
}

// Where the picture's records come from: a DXF file read as it streams by, or a DWG drawing's
// objects. Both give the tables, every entity of model and paper space, and a block's entities.
class SceneInput {
  public:
    virtual ~SceneInput() = default;
    // Fills `drawing`, its tables ready before the entities that need them arrive.
    virtual void Read(DxfDrawing& drawing, const DxfEntityVisitor& visit) = 0;
    virtual void ReadBlock(const DxfBlock& block, const DxfEntityVisitor& visit) = 0;
};

class DxfInput final : public SceneInput {
  public:
    explicit DxfInput(ByteSource& source) : source_(source) {}
    void Read(DxfDrawing& drawing, const DxfEntityVisitor& visit) override {
        ReadDxf(source_, drawing, visit);
    }
    void ReadBlock(const DxfBlock& block, const DxfEntityVisitor& visit) override {
        ReadDxfBlock(source_, block, visit);
    }

  private:
    ByteSource& source_;
};

class DwgInput final : public SceneInput {
  public:
    explicit DwgInput(ByteSource& source) : model_(source) {}
    void Read(DxfDrawing& drawing, const DxfEntityVisitor& visit) override {
        drawing = model_.Tables();
        model_.ModelEntities(visit);
        model_.PaperEntities(visit);
    }
    void ReadBlock(const DxfBlock& block, const DxfEntityVisitor& visit) override {
        model_.BlockEntities(block, visit);
    }

  private:
    DwgModel model_;
};

class Picture {
  public:
    Picture(SceneInput& input, const DrawRequest& request) : input_(input), request_(request) {}

    DxfPicture Run();

  private:
    enum class Mode { Extents, Draw };

    void Consume(SceneList& scratch);
    void Walk(const SceneList& list, const Affine& m, const Inherited& inherited, int depth);
    void WalkInsert(const SceneInsert& insert, const Affine& m, const Inherited& inherited,
                    int depth);
    void Instance(CachedBlock& block, const Affine& m, const Inherited& inherited, int depth,
                  bool exact);
    void Segment(DxfPoint a, DxfPoint b, uint32_t colour);
    void Infinite(const DxfPoint& base, const DxfPoint& direction, bool ray, uint32_t colour);
    void BoxOutline(const Box3& box, const Affine& m, uint32_t colour);
    bool OnCanvas(const Box3& box, const Affine& m, double& span) const;

    CachedBlock* Block(int32_t name);
    const Box3& BlockBox(CachedBlock& block, int depth);
    const DxfLayer* Layer(int32_t name);
    uint32_t ColourOf(const SceneItem& item, int32_t layer, const Inherited& inherited);
    Affine View() const;
    void Draw(const SceneList& list);

    SceneInput& input_;
    const DrawRequest& request_;
    DxfDrawing drawing_;
    SceneNames names_;
    std::unique_ptr<SceneBuilder> builder_;
    SceneList model_;
    bool overflow_ = false;
    std::map<int32_t, CachedBlock> blocks_;
    std::map<std::string, const DxfBlock*> blockIndex_;
    std::size_t blockIndexSize_ = SIZE_MAX, blockBytes_ = 0;
    std::map<std::string, const DxfLayer*> layerIndex_;
    std::size_t layerIndexSize_ = SIZE_MAX;
    std::vector<const DxfLayer*> layers_;
    int32_t layerZero_ = -1;

    Mode mode_ = Mode::Extents;
    bool paper_ = false;  // the space walked
    Affine view_;
    bool viewKnown_ = false;
    Box2 extents_[2];  // model, paper
    Box2 bases_[2];    // of XLINEs and RAYs
    bool hasView_ = false, meetsView_ = false;
    Box2 viewRegion_;
    DrawBudget budget_;
    DrawBudget reserve_{ORTHOLUX_DRAW_BUDGET / 8};
    std::unique_ptr<Canvas> canvas_;
    Frame frame_;
    Affine toPixels_;
};

const DxfLayer* Picture::Layer(int32_t name) {
    if (layerIndexSize_ != drawing_.layers.size()) {  // the table is read, or read again
        layerIndex_.clear();
        for (const DxfLayer& layer : drawing_.layers) {
            std::string upper = layer.name;
            for (char& c : upper) {
                if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
            }
            layerIndex_.emplace(std::move(upper), &layer);
        }
        layerIndexSize_ = drawing_.layers.size();
        layers_.clear();
    }
    while (layers_.size() < names_.Size()) {
        const auto at = layerIndex_.find(names_.Name(static_cast<int32_t>(layers_.size())));
        layers_.push_back(at == layerIndex_.end() ? nullptr : at->second);
    }
    return name > SceneNames::kUnknown && static_cast<std::size_t>(name) < layers_.size()
               ? layers_[name]
               : nullptr;
}

uint32_t Picture::ColourOf(const SceneItem& item, int32_t layer, const Inherited& inherited) {
    if (item.trueColour >= 0) return static_cast<uint32_t>(item.trueColour);
    if (item.colour == 0) return inherited.colour;
    if (item.colour >= 256) {
        const DxfLayer* l = Layer(layer);
        if (!l) return kWhite;
        if (l->trueColour) return *l->trueColour;
        return AciColour(l->colour);
    }
    return AciColour(item.colour);
}

CachedBlock* Picture::Block(int32_t name) {
    if (blockIndexSize_ != drawing_.blocks.size()) {
        blockIndex_.clear();
        for (const DxfBlock& b : drawing_.blocks) {
            std::string upper = b.name;
            for (char& c : upper) {
                if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
            }
            blockIndex_.emplace(upper, &b);
        }
        blockIndexSize_ = drawing_.blocks.size();
    }
    CachedBlock& cached = blocks_[name];
    if (cached.loaded) return cached.missing ? nullptr : &cached;
    cached.loaded = true;
    const auto at = blockIndex_.find(names_.Name(name));
    if (at == blockIndex_.end()) {
        cached.missing = true;
        return nullptr;
    }
    cached.base = at->second->base;
    SceneBuilder builder(names_, drawing_, true);
    builder.tolerance = builder_->tolerance;
    SceneList scratch;
    bool full = false;
    const auto done = [&] {
        if (!full && scratch.Bytes() <= kMaxBlockBytes - blockBytes_) {
            blockBytes_ += scratch.Bytes();
            cached.list.Append(scratch);
        } else {
            full = true;
        }
        scratch.Clear();
    };
    input_.ReadBlock(*at->second,
                     [&](const DxfEntity& record) { builder.Take(record, scratch, done); });
    builder.Finish(scratch, done);
    return &cached;
}

const Box3& Picture::BlockBox(CachedBlock& block, int depth) {
    if (block.boxDone || block.inProgress || depth >= kMaxDepth) return block.box;
    block.inProgress = true;
    for (const SceneItem& item : block.list.items) {
        if (item.kind == ItemKind::Run) {
            for (uint32_t i = 0; i < item.count; ++i)
                block.box.Add(block.list.points[item.first + i]);
        } else if (item.kind == ItemKind::Area) {
            for (uint32_t r = 0; r < item.count; ++r) {
                const auto [first, count] = block.list.rings[item.first + r];
                for (uint32_t i = 0; i < count; ++i) block.box.Add(block.list.points[first + i]);
            }
        } else if (item.kind == ItemKind::Insert) {
            const SceneInsert& insert = block.list.inserts[item.first];
            CachedBlock* inner = Block(insert.block);
            if (!inner) continue;
            const Box3& innerBox = BlockBox(*inner, depth + 1);
            if (innerBox.empty) continue;
            const Affine place = insert.place.Then(
                Affine::Translate({-inner->base.x, -inner->base.y, -inner->base.z}));
            for (int corner = 0; corner < 4; ++corner) {
                const double c = corner & 1 ? double(insert.columns - 1) : 0;
                const double r = corner & 2 ? double(insert.rows - 1) : 0;
                const Affine at =
                    Affine::Translate({c * insert.columnStep.x + r * insert.rowStep.x,
                                       c * insert.columnStep.y + r * insert.rowStep.y,
                                       c * insert.columnStep.z + r * insert.rowStep.z})
                        .Then(place);
                innerBox.Corners([&](const DxfPoint& p) { block.box.Add(at.Apply(p)); });
            }
        }
    }
    block.inProgress = false;
    block.boxDone = true;
    return block.box;
}

Affine Picture::View() const {
    Affine view;
    if (paper_ || !drawing_.activeViewport) return view;
    const DxfViewport& port = *drawing_.activeViewport;
    const DxfOcs axes(port.direction);
    double sine, cosine;
    pmath::SinCos(pmath::Radians(port.twist), sine, cosine);
    // The view plane's axes, turned by the twist.
    const DxfPoint x{cosine * axes.ax.x + sine * axes.ay.x, cosine * axes.ax.y + sine * axes.ay.y,
                     cosine * axes.ax.z + sine * axes.ay.z};
    const DxfPoint y{-sine * axes.ax.x + cosine * axes.ay.x, -sine * axes.ax.y + cosine * axes.ay.y,
                     -sine * axes.ax.z + cosine * axes.ay.z};
    const DxfPoint& z = axes.az;
    const DxfPoint& t = port.target;
    const double rows[3][3] = {{x.x, x.y, x.z}, {y.x, y.y, y.z}, {z.x, z.y, z.z}};
    for (int r = 0; r < 3; ++r) {
        view.m[r * 4] = rows[r][0], view.m[r * 4 + 1] = rows[r][1], view.m[r * 4 + 2] = rows[r][2];
        view.m[r * 4 + 3] = -(rows[r][0] * t.x + rows[r][1] * t.y + rows[r][2] * t.z);
    }
    return view;
}

void Picture::Segment(DxfPoint a, DxfPoint b, uint32_t colour) {
    if (mode_ == Mode::Extents) {
        extents_[paper_].Add(a.x, a.y);
        extents_[paper_].Add(b.x, b.y);
        if (hasView_ && !meetsView_ && !paper_) {
            const Box2& v = viewRegion_;
            meetsView_ = ClipSegment(a.x, a.y, b.x, b.y, v.x0, v.y0, v.x1, v.y1);
        }
        return;
    }
    constexpr double kGuard = 2;
    if (!ClipSegment(a.x, a.y, b.x, b.y, -kGuard, -kGuard, canvas_->Width() + kGuard,
                     canvas_->Height() + kGuard)) {
        return;
    }
    canvas_->Line(ToFixed(a.x, a.y), ToFixed(b.x, b.y), colour);
}

void Picture::Infinite(const DxfPoint& base, const DxfPoint& direction, bool ray, uint32_t colour) {
    const double length = std::sqrt(direction.x * direction.x + direction.y * direction.y);
    if (mode_ == Mode::Extents) {
        // No part of the extents, but of what meets the view; a drawing of nothing else is
        // framed by their base points.
        bases_[paper_].Add(base.x, base.y);
        if (!hasView_ || meetsView_ || paper_ || !(length > 1e-9) || !std::isfinite(length)) return;
        const Box2& v = viewRegion_;
        const double reach =
            (std::fabs(base.x - v.x0) + std::fabs(base.y - v.y0) + (v.x1 - v.x0) + (v.y1 - v.y0)) /
            length;
        DxfPoint a =
            ray ? base : DxfPoint{base.x - direction.x * reach, base.y - direction.y * reach, 0};
        DxfPoint b{base.x + direction.x * reach, base.y + direction.y * reach, 0};
        meetsView_ = ClipSegment(a.x, a.y, b.x, b.y, v.x0, v.y0, v.x1, v.y1);
        return;
    }
    if (!(length > 1e-9) || !std::isfinite(length)) {
        Segment(base, base, colour);
        return;
    }
    // Far enough to leave any picture from anywhere inside the guard.
    const double reach =
        (std::fabs(base.x) + std::fabs(base.y) + 4.0 * (canvas_->Width() + canvas_->Height())) /
        length;
    const DxfPoint far{base.x + direction.x * reach, base.y + direction.y * reach, 0};
    const DxfPoint near =
        ray ? base : DxfPoint{base.x - direction.x * reach, base.y - direction.y * reach, 0};
    Segment(near, far, colour);
}

bool Picture::OnCanvas(const Box3& box, const Affine& m, double& span) const {
    Box2 b;
    box.Corners([&](const DxfPoint& p) {
        const DxfPoint q = m.Apply(p);
        b.Add(q.x, q.y);
    });
    span = std::max(b.x1 - b.x0, b.y1 - b.y0);
    return !b.Empty() && b.x1 >= -2 && b.y1 >= -2 && b.x0 <= canvas_->Width() + 2 &&
           b.y0 <= canvas_->Height() + 2;
}

void Picture::BoxOutline(const Box3& box, const Affine& m, uint32_t colour) {
    Box2 b;
    box.Corners([&](const DxfPoint& p) {
        const DxfPoint q = m.Apply(p);
        b.Add(q.x, q.y);
    });
    if (b.Empty()) return;
    Segment({b.x0, b.y0, 0}, {b.x1, b.y0, 0}, colour);
    Segment({b.x1, b.y0, 0}, {b.x1, b.y1, 0}, colour);
    Segment({b.x1, b.y1, 0}, {b.x0, b.y1, 0}, colour);
    Segment({b.x0, b.y1, 0}, {b.x0, b.y0, 0}, colour);
}

void Picture::Instance(CachedBlock& block, const Affine& m, const Inherited& inherited, int depth,
                       bool exact) {
    const Box3& box = BlockBox(block, depth + 1);
    if (box.empty) return;
    if (mode_ == Mode::Extents) {
        if (exact && budget_.Take(static_cast<int64_t>(block.list.points.size()) + 1)) {
            Walk(block.list, m, inherited, depth + 1);
            return;
        }
        box.Corners([&](const DxfPoint& p) {
            const DxfPoint q = m.Apply(p);
            extents_[paper_].Add(q.x, q.y);
        });
        return;
    }
    double span = 0;
    if (!OnCanvas(box, m, span)) return;
    if (span < 1) {  // smaller than a pixel: a dot
        const DxfPoint centre = m.Apply({(box.low.x + box.high.x) / 2, (box.low.y + box.high.y) / 2,
                                         (box.low.z + box.high.z) / 2});
        if (reserve_.Take(1)) Segment(centre, centre, inherited.colour);
        return;
    }
    if (budget_.RanOut() || !budget_.Take(static_cast<int64_t>(block.list.points.size()) + 1)) {
        if (reserve_.Take(OutlineCost(span))) BoxOutline(box, m, inherited.colour);
        return;
    }
    Walk(block.list, m, inherited, depth + 1);
}

void Picture::WalkInsert(const SceneInsert& insert, const Affine& m, const Inherited& inherited,
                         int depth) {
    CachedBlock* block = Block(insert.block);
    if (!block || block->inProgress || depth + 1 >= kMaxDepth) return;
    const Box3& box = BlockBox(*block, depth + 1);
    if (box.empty) return;
    const Affine place =
        insert.place.Then(Affine::Translate({-block->base.x, -block->base.y, -block->base.z}));
    const auto at = [&](int64_t c, int64_t r) {
        const double cc = double(c), rr = double(r);
        return m
            .Then(Affine::Translate({cc * insert.columnStep.x + rr * insert.rowStep.x,
                                     cc * insert.columnStep.y + rr * insert.rowStep.y,
                                     cc * insert.columnStep.z + rr * insert.rowStep.z}))
            .Then(place);
    };
    const int64_t count = insert.columns * insert.rows;
    // An array's box is its corner instances' boxes.
    const auto corners = [&](auto each) {
        each(at(0, 0)), each(at(insert.columns - 1, 0));
        each(at(0, insert.rows - 1)), each(at(insert.columns - 1, insert.rows - 1));
    };
    block->inProgress = true;
    if (mode_ == Mode::Extents && count > kInstancesWalked) {
        corners([&](const Affine& one) { Instance(*block, one, inherited, depth, false); });
    } else if (mode_ == Mode::Extents) {
        for (int64_t r = 0; r < insert.rows; ++r) {
            for (int64_t c = 0; c < insert.columns; ++c) {
                Instance(*block, at(c, r), inherited, depth, true);
            }
        }
    } else {
        // Halves of the array, down to single instances, where they lie on the picture and
        // are bigger than a pixel: a huge array costs what its visible part costs.
        struct Part {
            int64_t c0, c1, r0, r1;
        };
        std::vector<Part> parts = {{0, insert.columns - 1, 0, insert.rows - 1}};
        while (!parts.empty()) {
            const Part part = parts.back();
            parts.pop_back();
            Box3 all;
            for (const auto& [c, r] : {std::pair{part.c0, part.r0}, std::pair{part.c1, part.r0},
                                       std::pair{part.c0, part.r1}, std::pair{part.c1, part.r1}}) {
                const Affine one = at(c, r);
                box.Corners([&](const DxfPoint& p) { all.Add(one.Apply(p)); });
            }
            double span = 0;
            if (all.empty || !OnCanvas(all, Affine(), span)) continue;
            if (part.c0 == part.c1 && part.r0 == part.r1) {
                Instance(*block, at(part.c0, part.r0), inherited, depth, false);
                continue;
            }
            if (span < 1 || !budget_.Take(8)) {
                // A dot, or once the budget is spent, the part's box.
                if (reserve_.Take(OutlineCost(span))) {
                    BoxOutline(all, Affine(), inherited.colour);
                }
                continue;
            }
            if (part.c1 - part.c0 >= part.r1 - part.r0) {
                const int64_t middle = part.c0 + (part.c1 - part.c0) / 2;
                parts.push_back({part.c0, middle, part.r0, part.r1});
                parts.push_back({middle + 1, part.c1, part.r0, part.r1});
            } else {
                const int64_t middle = part.r0 + (part.r1 - part.r0) / 2;
                parts.push_back({part.c0, part.c1, part.r0, middle});
                parts.push_back({part.c0, part.c1, middle + 1, part.r1});
            }
        }
    }
    block->inProgress = false;
}

void Picture::Walk(const SceneList& list, const Affine& m, const Inherited& inherited, int depth) {
    for (const SceneItem& item : list.items) {
        if (depth == 0 && item.paper != paper_) continue;
        const int32_t layer = depth > 0 && item.layer == layerZero_ && inherited.layer >= 0
                                  ? inherited.layer
                                  : item.layer;
        const DxfLayer* l = Layer(layer);
        if (l && l->frozen) continue;
        if (l && l->off && item.kind != ItemKind::Insert) continue;
        const uint32_t colour = ColourOf(item, layer, inherited);
        switch (item.kind) {
            case ItemKind::Run: {
                if (mode_ == Mode::Draw) budget_.Take(item.count);
                DxfPoint previous = m.Apply(list.points[item.first]);
                const DxfPoint first = previous;
                if (item.count == 1) Segment(previous, previous, colour);
                for (uint32_t i = 1; i < item.count; ++i) {
                    const DxfPoint next = m.Apply(list.points[item.first + i]);
                    Segment(previous, next, colour);
                    previous = next;
                }
                if (item.closed && item.count > 2) Segment(previous, first, colour);
                break;
            }
            case ItemKind::Area: {
                if (mode_ == Mode::Extents) {
                    for (uint32_t r = 0; r < item.count; ++r) {
                        const auto [first, count] = list.rings[item.first + r];
                        for (uint32_t i = 0; i + 1 < count; ++i) {
                            Segment(m.Apply(list.points[first + i]),
                                    m.Apply(list.points[first + i + 1]), colour);
                        }
                    }
                    break;
                }
                std::vector<std::vector<FixedPoint>> rings;
                for (uint32_t r = 0; r < item.count; ++r) {
                    const auto [first, count] = list.rings[item.first + r];
                    rings.emplace_back();
                    for (uint32_t i = 0; i < count; ++i) {
                        const DxfPoint p = m.Apply(list.points[first + i]);
                        // Far-out corners clamp: only the picture's part of a fill matters,
                        // and a clamped ring still covers it.
                        rings.back().push_back(
                            ToFixed(std::clamp(p.x, -1e6, 1e6), std::clamp(p.y, -1e6, 1e6)));
                    }
                }
                canvas_->Fill(rings, colour);
                break;
            }
            case ItemKind::Xline:
            case ItemKind::Ray: {
                const DxfPoint base = m.Apply(list.points[item.first]);
                const DxfPoint direction = m.Linear(list.points[item.first + 1]);
                Infinite(base, direction, item.kind == ItemKind::Ray, colour);
                break;
            }
            case ItemKind::Insert: {
                const Inherited inner{layer, colour};
                WalkInsert(list.inserts[item.first], m, inner, depth);
                break;
            }
        }
    }
}

void Picture::Consume(SceneList& scratch) {
    // Extents in view coordinates, of both spaces: which one is drawn is known at the end.
    if (!viewKnown_) {
        view_ = View();
        viewKnown_ = true;
        if (drawing_.activeViewport && drawing_.activeViewport->height > 0) {
            const DxfViewport& port = *drawing_.activeViewport;
            viewRegion_ = ViewRegion(port.centre.x, port.centre.y, port.height,
                                     port.aspect > 0 ? port.aspect : 1);
            hasView_ = !viewRegion_.Empty();
        }
    }
    for (const bool paper : {false, true}) {
        paper_ = paper;
        const Affine m = paper ? Affine() : view_;
        Walk(scratch, m, Inherited(), 0);
    }
    if (!overflow_ && scratch.Bytes() <= kMaxListBytes - std::min(kMaxListBytes, model_.Bytes())) {
        model_.Append(scratch);
    } else {
        overflow_ = true;
        model_.Clear();
    }
    scratch.Clear();
}

void Picture::Draw(const SceneList& list) { Walk(list, toPixels_, Inherited(), 0); }

DxfPicture Picture::Run() {
    DxfPicture picture;
    builder_ = std::make_unique<SceneBuilder>(names_, drawing_, false);
    layerZero_ = names_.Of("0");
    // Curves are first cut for a 2048-pixel picture of the saved view, or of the extents seen
    // so far ($EXTMIN/$EXTMAX are often stale); when the frame turns out smaller, the second
    // reading cuts them finer.
    const DxfHeader& header = drawing_.header;
    SceneList scratch;
    const auto done = [&] { Consume(scratch); };
    input_.Read(drawing_, [&](const DxfEntity& record) {
        double span = drawing_.activeViewport ? drawing_.activeViewport->height : 0;
        if (!(span > 0 && span < 1e300)) {
            Box2 seen = extents_[0];
            seen.Add(extents_[1]);
            span =
                seen.Empty() ? 0 : std::min(1e300, std::max(seen.x1 - seen.x0, seen.y1 - seen.y0));
        }
        builder_->tolerance = span / 2048;
        builder_->Take(record, scratch, done);
    });
    builder_->Finish(scratch, done);
    picture.releaseCode = drawing_.header.releaseCode;
    picture.report.entities = builder_->entities;
    picture.report.skippedBodies = builder_->skippedBodies;
    if (request_.preferStored && !drawing_.thumbnail.empty()) {
        picture.stored = std::move(drawing_.thumbnail);
        return picture;
    }

    paper_ =
        header.tileMode && *header.tileMode == 0 && !(extents_[1].Empty() && bases_[1].Empty());
    const Box2& drawn = extents_[paper_].Empty() ? bases_[paper_] : extents_[paper_];
    if (drawn.Empty()) return picture;  // nothing to draw
    frame_ = !paper_ && hasView_ && meetsView_
                 ? FrameForView(viewRegion_, request_.width, request_.height)
                 : FrameFor(drawn, request_.width, request_.height);
    const Affine toFrame{{frame_.scale, 0, 0, frame_.width / 2.0 - frame_.centreX * frame_.scale, 0,
                          -frame_.scale, 0, frame_.height / 2.0 + frame_.centreY * frame_.scale, 0,
                          0, 1, 0}};
    toPixels_ = toFrame.Then(paper_ ? Affine() : view_);
    canvas_ = std::make_unique<Canvas>(frame_.width, frame_.height, kGround, budget_);
    mode_ = Mode::Draw;

    const double wanted = 0.25 / frame_.scale;
    const bool coarse = builder_->tolerance > 2 * wanted;
    if (!overflow_ && !coarse) {
        Draw(model_);
    } else {
        model_.Clear();
        blocks_.clear();
        blockBytes_ = 0;
        const bool paper = paper_;
        builder_ = std::make_unique<SceneBuilder>(names_, drawing_, false);
        builder_->tolerance = wanted;
        blockIndexSize_ = SIZE_MAX;
        layerIndexSize_ = SIZE_MAX;
        input_.Read(drawing_, [&](const DxfEntity& record) {
            builder_->Take(record, scratch, [&] {
                paper_ = paper;
                Draw(scratch);
                scratch.Clear();
            });
        });
        builder_->Finish(scratch, [&] { Draw(scratch); });
    }
    picture.report.budgetRanOut = budget_.RanOut();
    picture.drawn = canvas_->Take();
    return picture;
}

}  // namespace

bool LooksLikeDxf(ByteSource& source) {
    // A DXF file opens with the binary sentinel or with a group code: a DWG's "AC10" is
    // refused at once, before any line is looked for.
    uint8_t head[1] = {0};
    uint64_t at = 0;
    while (source.Fits(at, 1) && at < 64) {
        source.Read(at, head);
        if (head[0] != ' ' && head[0] != '\t' && head[0] != '\r' && head[0] != '\n') break;
        ++at;
    }
    if (!source.Fits(at, 1) || !((head[0] >= '0' && head[0] <= '9') || head[0] == 'A' ||
                                 head[0] == '-' || head[0] == '+')) {
        return false;
    }
    // "A" opens the binary sentinel and every DWG drawing ("AC1015"): told apart here, so a
    // DWG drawing costs the handlers a few bytes more, not the pair reader's first buffer.
    if (head[0] == 'A') {
        static constexpr char kSentinel[] = "AutoCAD Binary DXF\r\n\x1a";  // and its NUL
        std::array<uint8_t, sizeof kSentinel> start{};
        if (at != 0 || !source.Fits(0, start.size())) return false;
        source.Read(0, start);
        if (std::memcmp(start.data(), kSentinel, start.size()) != 0) return false;
    }
    try {
        DxfPairReader reader(source);
        DxfPair pair;
        for (int i = 0; i < 64 && reader.Next(pair); ++i) {
            if (pair.code == 999) continue;
            return pair.code == 0 && pair.text == "SECTION";
        }
    } catch (const AppError&) {
    }
    return false;
}

DxfPicture DxfPictureOf(ByteSource& source, const DrawRequest& request) {
    DxfInput input(source);
    return Picture(input, request).Run();
}

DxfPicture DwgPictureOf(ByteSource& source, const DrawRequest& request) {
    DwgInput input(source);
    return Picture(input, request).Run();
}
