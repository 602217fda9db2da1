#include "DxfReader.h"

#include <algorithm>

#include "Error.h"
#include "preview/ByteSource.h"

namespace {

// What the tables and the block index may hold, and the THUMBNAILIMAGE: a file of a few
// megabytes that claims millions of layers or blocks is damaged, not a reason to take
// gigabytes.
constexpr std::size_t kMaxKeptBytes = std::size_t{64} << 20;
constexpr int64_t kMaxThumbnailBytes = int64_t{32} << 20;
// A single entity's pairs: a polyline of a million vertices is drawn with what fits.
constexpr std::size_t kMaxEntityBytes = std::size_t{32} << 20;
constexpr uint64_t kNoEnd = UINT64_MAX;

[[noreturn]] void Damaged(const char* what) { throw AppError::DamagedDxf(what); }

void SetCoordinate(DxfPoint& point, int code, int base, double value) {
    if (code == base) point.x = value;
    if (code == base + 10) point.y = value;
    if (code == base + 20) point.z = value;
}

class Reader {
  public:
    Reader(ByteSource& source, DxfDrawing& drawing)
        : in_(source), drawing_(drawing), size_(source.Size()) {
        drawing_.format = in_.Format();
    }

    void Run(const DxfEntityVisitor& visit) {
        bool sections = false;
        while (Next()) {
            if (pair_.code == 999) continue;
            if (pair_.code != 0) Damaged("pair outside a section");
            if (pair_.text == "EOF") {
                drawing_.complete = true;
                break;
            }
            if (pair_.text != "SECTION") Damaged("not a section");
            sections = true;
            if (!Next()) break;
            if (pair_.code != 2) Damaged("section without a name");
            const std::string name = pair_.text;
            const bool more = name == "HEADER"           ? Header()
                              : name == "TABLES"         ? Tables()
                              : name == "BLOCKS"         ? Blocks()
                              : name == "ENTITIES"       ? Entities(visit, kNoEnd)
                              : name == "THUMBNAILIMAGE" ? Thumbnail()
                                                         : Skip();
            if (!more) break;
            if (pair_.text != "ENDSEC") in_.PutBack();  // a section left open
        }
        if (!sections) Damaged("no sections");
        std::stable_sort(drawing_.blocks.begin(), drawing_.blocks.end(),
                         [](const DxfBlock& a, const DxfBlock& b) { return a.name < b.name; });
    }

    void Block(uint64_t begin, uint64_t end, const DxfEntityVisitor& visit) {
        in_.Seek(begin);
        Entities(visit, end);
    }

  private:
    bool Next() { return in_.Next(pair_); }
    bool Is(const char* record) const { return pair_.code == 0 && pair_.text == record; }
    // ENDSEC, or a SECTION or EOF where an ENDSEC is missing.
    bool EndsSection() const { return Is("ENDSEC") || Is("SECTION") || Is("EOF"); }

    void Keep(std::size_t bytes) {
        if (bytes > kMaxKeptBytes - kept_) Damaged("tables too large");
        kept_ += bytes;
    }

    // Hands the pairs of the current record to `field` up to the next group 0, which is then
    // current; false when the data ends first.
    template <class Field>
    bool Fields(Field field) {
        while (Next()) {
            if (pair_.code == 0) return true;
            field(pair_);
        }
        return false;
    }
    bool SkipRecord() {
        return Fields([](const DxfPair&) {});
    }

    // Each section reader returns true at the pair that ends it, false at the end of the data.
    bool Skip() {
        while (Next()) {
            if (EndsSection()) return true;
        }
        return false;
    }

    bool Header() {
        DxfHeader& header = drawing_.header;
        std::string variable;
        while (Next()) {
            const DxfPair& p = pair_;
            if (p.code == 0) {
                if (EndsSection()) return true;
            } else if (p.code == 9) {
                variable = p.text;
            } else if (variable == "$ACADVER" && p.code == 1) {
                const bool prefixed = p.text.size() >= 2 && p.text.compare(0, 2, "AC") == 0;
                header.releaseCode = p.text.substr(prefixed ? 2 : 0, 4);
            } else if (variable == "$DWGCODEPAGE" && p.code == 3) {
                header.codePage = p.text.substr(0, 64);
            } else if (variable == "$TILEMODE" && p.code == 70) {
                header.tileMode = static_cast<int>(p.integer);
            } else if ((variable == "$EXTMIN" || variable == "$EXTMAX") &&
                       p.type == DxfType::Double) {
                auto& point = variable == "$EXTMIN" ? header.extMin : header.extMax;
                if (!point) point.emplace();
                SetCoordinate(*point, p.code, 10, p.real);
            }
        }
        return false;
    }

    bool Tables() {
        if (!Next()) return false;
        for (;;) {
            if (EndsSection()) return true;
            bool more = true;
            if (Is("LAYER")) {
                DxfLayer layer;
                more = Fields([&](const DxfPair& p) {
                    if (p.code == 2) layer.name = p.text;
                    if (p.code == 62) {
                        layer.off = p.integer < 0;
                        layer.colour = static_cast<int>(p.integer < 0 ? -p.integer : p.integer);
                    }
                    if (p.code == 70) layer.frozen = (p.integer & 1) != 0;
                    if (p.code == 420)
                        layer.trueColour = static_cast<uint32_t>(p.integer) & 0xFFFFFF;
                });
                Keep(sizeof layer + layer.name.size());
                drawing_.layers.push_back(std::move(layer));
            } else if (Is("VPORT")) {
                std::string name;
                DxfViewport view;
                more = Fields([&](const DxfPair& p) {
                    if (p.code == 2) name = p.text;
                    SetCoordinate(view.centre, p.code, 12, p.real);
                    SetCoordinate(view.direction, p.code, 16, p.real);
                    SetCoordinate(view.target, p.code, 17, p.real);
                    if (p.code == 40) view.height = p.real;
                    if (p.code == 41) view.aspect = p.real;
                    if (p.code == 51) view.twist = p.real;
                });
                view.centre.z = 0;  // 32 is not the centre's: VPORT has none
                // Table names are case-blind: writers give "*Active" as often as "*ACTIVE".
                for (char& c : name) {
                    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
                }
                if (name == "*ACTIVE" && !drawing_.activeViewport) drawing_.activeViewport = view;
            } else {
                more = SkipRecord();
            }
            if (!more) return false;
        }
    }

    bool Blocks() {
        if (!Next()) return false;
        for (;;) {
            if (EndsSection()) return true;
            if (!Is("BLOCK")) {
                if (!SkipRecord()) return false;
                continue;
            }
            DxfBlock block;
            bool named = false;
            bool more = Fields([&](const DxfPair& p) {
                if (p.code == 2 && !named) block.name = p.text, named = true;
                SetCoordinate(block.base, p.code, 10, p.real);
                if (p.code == 70) block.flags = static_cast<int>(p.integer);
            });
            block.begin = more ? in_.PairStart() : size_;
            while (more && !Is("ENDBLK") && !Is("BLOCK") && !EndsSection()) more = Next();
            block.end = more ? in_.PairStart() : size_;
            Keep(sizeof block + block.name.size());
            drawing_.blocks.push_back(std::move(block));
            if (!more) return false;
            if (Is("ENDBLK") && !SkipRecord()) return false;
        }
    }

    bool Entities(const DxfEntityVisitor& visit, uint64_t end) {
        const bool inBlock = end != kNoEnd;
        if (!Next()) return false;
        DxfEntity entity;
        for (;;) {
            if (inBlock && (in_.PairStart() >= end || Is("ENDBLK") || Is("BLOCK"))) return true;
            if (EndsSection()) return true;
            if (pair_.code != 0) {  // a stray pair before the first entity
                if (!Next()) return false;
                continue;
            }
            const bool more = Entity(entity);
            visit(entity);
            if (!more) return false;
        }
    }

    // Fills `entity` from the record whose group 0 is current.
    bool Entity(DxfEntity& entity) {
        entity.type = pair_.text;
        entity.layer.clear();
        entity.handle.clear();
        entity.owner.clear();
        entity.colour = 256;
        entity.trueColour.reset();
        entity.extrusion = {0, 0, 1};
        entity.paperSpace = false;
        entity.pairs.clear();
        entity.pairsCut = false;
        std::size_t bytes = 0;
        int group = 0;  // inside 102 {...} groups: reactors and dictionaries, not the entity's
        bool layer = false, colour = false, trueColour = false, owner = false;
        return Fields([&](const DxfPair& p) {
            const std::size_t cost = sizeof p + p.text.size();
            if (entity.pairs.size() < kMaxDxfEntityPairs && cost <= kMaxEntityBytes - bytes) {
                entity.pairs.push_back(p);
                bytes += cost;
            } else {
                entity.pairsCut = true;
            }
            if (p.code == 102) {
                if (!p.text.empty() && p.text[0] == '{') ++group;
                if (p.text == "}" && group > 0) --group;
            }
            if (group > 0) return;
            if (p.code == 8 && !layer) entity.layer = p.text, layer = true;
            if (p.code == 62 && !colour) entity.colour = static_cast<int>(p.integer), colour = true;
            if (p.code == 420 && !trueColour) {
                entity.trueColour = static_cast<uint32_t>(p.integer) & 0xFFFFFF;
                trueColour = true;
            }
            if (p.code == 330 && !owner) entity.owner = p.text, owner = true;
            if (p.code == 5) entity.handle = p.text;
            if (p.code == 67) entity.paperSpace = p.integer != 0;
            SetCoordinate(entity.extrusion, p.code, 210, p.real);
        });
    }

    bool Thumbnail() {
        std::optional<int64_t> declared;
        std::vector<uint8_t>& dib = drawing_.thumbnail;
        bool more = false;
        while ((more = Next()) && !EndsSection()) {
            if (pair_.code == 90) {
                if (declared || pair_.integer < 0 || pair_.integer > kMaxThumbnailBytes) {
                    Damaged("thumbnail size");
                }
                declared = pair_.integer;
            } else if (pair_.code == 310) {
                if (!declared ||
                    pair_.text.size() > static_cast<uint64_t>(*declared) - dib.size()) {
                    Damaged("thumbnail past its size");
                }
                dib.insert(dib.end(), pair_.text.begin(), pair_.text.end());
            }
        }
        if (declared && dib.size() != static_cast<uint64_t>(*declared)) Damaged("thumbnail short");
        return more;
    }

    DxfPairReader in_;
    DxfDrawing& drawing_;
    uint64_t size_;
    DxfPair pair_;
    std::size_t kept_ = 0;
};

}  // namespace

const DxfBlock* DxfDrawing::FindBlock(const std::string& name) const {
    const auto at =
        std::lower_bound(blocks.begin(), blocks.end(), name,
                         [](const DxfBlock& b, const std::string& n) { return b.name < n; });
    return at != blocks.end() && at->name == name ? &*at : nullptr;
}

DxfDrawing ReadDxf(ByteSource& source, const DxfEntityVisitor& visit) {
    DxfDrawing drawing;
    Reader(source, drawing).Run(visit);
    return drawing;
}

void ReadDxf(ByteSource& source, DxfDrawing& drawing, const DxfEntityVisitor& visit) {
    drawing = DxfDrawing();
    Reader(source, drawing).Run(visit);
}

void ReadDxfBlock(ByteSource& source, const DxfBlock& block, const DxfEntityVisitor& visit) {
    DxfDrawing scratch;
    Reader(source, scratch).Block(block.begin, block.end, visit);
}
