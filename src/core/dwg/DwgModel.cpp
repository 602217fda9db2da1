#include "dwg/DwgModel.h"

#include <algorithm>
#include <array>
#include <map>

#include "dwg/DwgEntities.h"
#include "preview/ByteSource.h"

namespace {

constexpr uint64_t kModelGroup = UINT64_MAX;
constexpr uint64_t kPaperGroup = UINT64_MAX - 1;
constexpr uint16_t kBlock = 4, kEndblk = 5, kSeqend = 6;
constexpr uint16_t kBlockRecord = 49, kLayer = 51, kViewportEntry = 65;
// The tables of a drawing of a few megabytes hold thousands of names, not millions.
constexpr std::size_t kMaxTableEntries = std::size_t{1} << 16;

std::string Hex(uint64_t handle) {
    std::string text;
    do {
        text.insert(text.begin(), "0123456789ABCDEF"[handle & 15]);
        handle >>= 4;
    } while (handle);
    return text;
}

bool SameName(const std::string& a, const char* b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i]; ++i) {
        const auto up = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
        if (up(a[i]) != up(b[i])) return false;
    }
    return i == a.size() && !b[i];
}

bool HasChildren(uint16_t type) {
    return type == 7 || type == 8 || type == 15 || type == 16 || type == 29 || type == 30;
}

template <class Table>
std::size_t Find(const Table& table, uint64_t handle) {
    const auto at = std::lower_bound(
        table.begin(), table.end(), handle,
        [](const std::pair<uint64_t, std::size_t>& e, uint64_t h) { return e.first < h; });
    return at != table.end() && at->first == handle ? at->second : SIZE_MAX;
}

}  // namespace

bool DwgModel::Reads(ByteSource& source) {
    if (!source.Fits(0, 6)) return false;
    std::array<uint8_t, 6> magic{};
    source.Read(0, magic);
    const std::string code(magic.begin(), magic.end());
    return code == "AC1012" || code == "AC1014" || code == "AC1015" || code == "AC1018" ||
           code == "AC1021" || code == "AC1024" || code == "AC1027" || code == "AC1032";
}

DwgModel::DwgModel(ByteSource& source) : file_(source) {
    tables_.header.releaseCode = file_.ReleaseCode();
    tables_.header.codePage = DwgCodePageName(file_.CodePage());
    Index();
    tables_.complete = file_.MapComplete() && unread_ == 0;
}

void DwgModel::Index() {
    DwgObject object;
    DwgBits bits({}, file_.ReleaseNumber());
    objects_ = file_.Objects().size();
    // Read in file order, so that the window over the file moves forward; the tables are
    // then put in handle order, as DXF writes them.
    std::vector<DwgFile::Location> byOffset = file_.Objects();
    std::sort(
        byOffset.begin(), byOffset.end(),
        [](const DwgFile::Location& a, const DwgFile::Location& b) { return a.offset < b.offset; });
    file_.ForgetObjectMap();
    // Objects lie one after another, each read once: one that starts inside the last one read
    // is a lie, and reading it would let overlapping claims of megabytes each cost the file's
    // size again.
    uint64_t readTo = 0, readAt = UINT64_MAX;
    bool read = false, taken = false;
    for (const DwgFile::Location& at : byOffset) {
        if (at.offset != readAt) {
            if (at.offset < readTo) {
                ++unread_;
                continue;
            }
            read = file_.ReadObject(at.offset, object, bits);
            readAt = at.offset;
            readTo = at.offset + object.extent;
            taken = false;
        }
        // An object must carry the handle the map gives it: a map pointing anywhere else,
        // or many times at one object, lies.
        if (!read || taken || object.handle != at.handle) {
            ++unread_;
            continue;
        }
        taken = true;
        if (!file_.IsEntityType(object.type)) {
            ReadTable(object, bits);
            continue;
        }
        if (object.type == kBlock || object.type == kEndblk) continue;
        uint64_t group = object.entityMode == 2 ? kModelGroup : kPaperGroup;
        if (object.entityMode == 0) {
            bits.Seek(object.handleBits);
            group = bits.H().Resolve(object.handle);
            if (bits.Overrun()) {
                ++unread_;
                continue;
            }
        }
        index_.push_back({group, object.handle, at.offset, object.type});
    }
    std::sort(layers.begin(), layers.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& [handle, layer] : layers) {
        layerAt_.emplace_back(handle, tables_.layers.size());
        tables_.layers.push_back(std::move(layer));
    }
    std::sort(tables_.blocks.begin(), tables_.blocks.end(),
              [](const DxfBlock& a, const DxfBlock& b) { return a.record < b.record; });
    // DWG gives every layout's block the name *Paper_Space (the first is the one shown) and
    // anonymous blocks just their kind (*D, *U, *T): numbered here as DXF numbers them, so
    // that a name finds one block.
    std::map<std::string, int> seen;
    for (DxfBlock& block : tables_.blocks) {
        const int nth = seen[block.name]++;
        if (SameName(block.name, "*MODEL_SPACE") && !model_) model_ = block.record;
        if (SameName(block.name, "*PAPER_SPACE") && !paper_) {
            paper_ = block.record;
            continue;
        }
        const bool anonymous =
            block.name.size() <= 2 && !block.name.empty() && block.name[0] == '*';
        if (anonymous) {
            block.name += std::to_string(nth + 1);
        } else if (nth > 0) {
            block.name += std::to_string(nth - 1);
        }
    }
    for (Entry& entry : index_) {
        if (model_ && entry.group == model_) entry.group = kModelGroup;
        if (paper_ && entry.group == paper_) entry.group = kPaperGroup;
    }
    std::sort(index_.begin(), index_.end(), [](const Entry& a, const Entry& b) {
        return a.group != b.group ? a.group < b.group : a.handle < b.handle;
    });
    std::stable_sort(tables_.blocks.begin(), tables_.blocks.end(),
                     [](const DxfBlock& a, const DxfBlock& b) { return a.name < b.name; });
    for (std::size_t i = 0; i < tables_.blocks.size(); ++i) {
        blockAt_.emplace_back(tables_.blocks[i].record, i);
    }
    std::sort(blockAt_.begin(), blockAt_.end());
    std::sort(layerAt_.begin(), layerAt_.end());
}

void DwgModel::ReadTable(const DwgObject& object, DwgBits& bits) {
    if (object.type != kBlockRecord && object.type != kLayer && object.type != kViewportEntry) {
        return;
    }
    const std::string name = bits.TV();
    if (file_.R2007()) {
        bits.BS();  // external reference resolved: the flags around it are gone
    } else {
        bits.B();   // referenced
        bits.BS();  // external reference index
        bits.B();   // depends on an external reference
    }
    if (object.type == kBlockRecord) {
        if (tables_.blocks.size() >= kMaxTableEntries) return;
        DxfBlock block;
        block.name = name;
        block.record = object.handle;
        block.flags = bits.B() ? 1 : 0;
        block.flags |= bits.B() ? 2 : 0;
        block.flags |= bits.B() ? 4 : 0;
        block.flags |= bits.B() ? 8 : 0;
        if (file_.R2000()) bits.B();   // loaded
        if (file_.R2004()) bits.BL();  // objects it owns
        block.base = bits.BD3();
        if (!bits.Overrun()) tables_.blocks.push_back(std::move(block));
    } else if (object.type == kLayer) {
        if (layers.size() >= kMaxTableEntries) return;
        DxfLayer layer;
        layer.name = name;
        if (file_.R2000()) {
            const uint16_t flags = bits.BS();
            layer.frozen = flags & 1;
            layer.off = flags & 2;
        } else {
            // Frozen, then three flags of no use here: writers give a layer that is off a
            // negative colour, in every release.
            layer.frozen = bits.B();
            bits.B(), bits.B(), bits.B();
        }
        const int colour = bits.CMC(&layer.trueColour);
        if (colour < 0) layer.off = true;
        layer.colour = colour < 0 ? -colour : colour;
        if (bits.Overrun()) return;
        layers.emplace_back(object.handle, std::move(layer));
    } else if (SameName(name, "*ACTIVE") && object.handle < activeHandle) {
        DxfViewport view;
        view.height = bits.BD();
        const double width = bits.BD();  // DXF gives its ratio to the height
        view.aspect = view.height > 0 ? width / view.height : 0;
        view.centre = bits.RD2();
        view.target = bits.BD3();
        view.direction = bits.BD3();
        view.twist = bits.BD();
        if (!bits.Overrun()) tables_.activeViewport = view, activeHandle = object.handle;
    }
}

std::string DwgModel::NameOf(uint64_t handle, bool block) const {
    const std::size_t at = Find(block ? blockAt_ : layerAt_, handle);
    if (at == SIZE_MAX) return {};
    return block ? tables_.blocks[at].name : tables_.layers[at].name;
}

bool DwgModel::Entity(const Entry& entry, DxfEntity& entity) {
    DwgObject object;
    DwgBits bits({}, file_.ReleaseNumber());
    if (!file_.ReadObject(entry.offset, object, bits, false)) return false;
    entity = DxfEntity{};
    entity.type = DwgEntityType(file_, object.type);
    entity.handle = Hex(object.handle);
    entity.colour = object.colour < 0 ? -object.colour : object.colour;
    entity.trueColour = object.trueColour;
    entity.paperSpace = object.entityMode == 1;
    DwgBits handles = bits;  // the references are read apart: data cut short spoils no name
    DecodeEntityData(object, bits, entity);
    const DwgEntityRefs refs = ReadEntityRefs(object, entity.type, handles);
    entity.layer = NameOf(refs.layer, false);
    const uint64_t owner = object.entityMode == 0   ? refs.owner
                           : object.entityMode == 1 ? paper_
                                                    : model_;
    entity.owner = Hex(owner);
    if (refs.block) {
        for (DxfPair& pair : entity.pairs) {
            if (pair.code != 2) continue;
            pair.text = NameOf(refs.block, true);
            break;
        }
    }
    return true;
}

void DwgModel::Visit(uint64_t group, const DxfEntityVisitor& visit, int depth) {
    const auto first = std::lower_bound(index_.begin(), index_.end(), group,
                                        [](const Entry& e, uint64_t g) { return e.group < g; });
    const auto last = std::upper_bound(first, index_.end(), group,
                                       [](uint64_t g, const Entry& e) { return g < e.group; });
    DxfEntity entity;
    // A polyline's vertices and an insert's attributes first, their SEQEND last.
    for (int pass = 0; pass < (depth ? 2 : 1); ++pass) {
        for (auto it = first; it != last; ++it) {
            if (depth && (it->type == kSeqend) != (pass == 1)) continue;
            if (!Entity(*it, entity)) continue;
            visit(entity);
            if (!depth && HasChildren(it->type)) Visit(it->handle, visit, 1);
        }
    }
}

void DwgModel::ModelEntities(const DxfEntityVisitor& visit) { Visit(kModelGroup, visit, 0); }

void DwgModel::PaperEntities(const DxfEntityVisitor& visit) { Visit(kPaperGroup, visit, 0); }

void DwgModel::BlockEntities(const DxfBlock& block, const DxfEntityVisitor& visit) {
    if (block.record == 0) return;
    const uint64_t group = block.record == model_   ? kModelGroup
                           : block.record == paper_ ? kPaperGroup
                                                    : block.record;
    Visit(group, visit, 0);
}
