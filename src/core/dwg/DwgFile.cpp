#include "dwg/DwgFile.h"

#include <algorithm>
#include <array>

#include "Error.h"
#include "preview/ByteSource.h"

namespace {

// Objects lie in handle order only roughly: a small window, refilled where the next one lies.
constexpr uint64_t kWindowBytes = uint64_t{16} << 10;
constexpr uint32_t kMaxLocators = 16;
// A few hundred classes take kilobytes.
constexpr uint32_t kMaxClassBytes = kMaxDwgPageBytes / 8;
constexpr std::size_t kMaxMapBytes = std::size_t{4} * kMaxDwgPageBytes;
constexpr uint16_t kCrcSeed = 0xC0C1;
constexpr uint16_t kEntityClass = 0x1F2;
constexpr uint16_t kFirstClass = 500;
constexpr uint16_t kProxyEntity = 498;

[[noreturn]] void Damaged(const char* what) { throw AppError::DamagedDwg(what); }

}  // namespace

DwgFile::DwgFile(ByteSource& source) : source_(&source) {
    if (!source.Fits(0, 0x19)) Damaged("file header");
    std::array<uint8_t, 6> magic{};
    source.Read(0, magic);
    release_ = std::string(magic.begin() + 2, magic.end());
    if (magic[0] != 'A' || magic[1] != 'C' ||
        (release_ != "1012" && release_ != "1014" && release_ != "1015" && release_ != "1018" &&
         release_ != "1021" && release_ != "1024" && release_ != "1027" && release_ != "1032")) {
        Damaged("release not read");
    }
    releaseNumber_ = std::stoi(release_);  // one of the codes above
    codePage_ = source.U16(0x13);
    // The classes of R2013 on, and of an R2010 of maintenance release 4 on, have one RL more.
    wideClasses_ = R2013() || (R2010() && source.U8(0x0B) > 3);
    if (R2004()) {
        pages_ = std::make_unique<DwgPages>(source);
        const auto* classes = pages_->Find("AcDb:Classes");
        const auto* map = pages_->Find("AcDb:Handles");
        const auto* objects = pages_->Find("AcDb:AcDbObjects");
        if (!map || !objects) Damaged("no object map");
        if (classes) ReadClasses(pages_->Read(*classes, kMaxClassBytes));
        objectSection_ = std::make_unique<DwgSectionSource>(*pages_, *objects);
        source_ = objectSection_.get();
        const auto mapBytes = pages_->Read(*map, kMaxMapBytes);
        MemorySource mapSource(mapBytes);
        ReadObjectMap(mapSource, 0);
        return;
    }
    const uint32_t locators = std::min(source.U32(0x15), kMaxLocators);
    uint32_t classesAt = 0, mapAt = 0;
    for (uint32_t i = 0; i < locators; ++i) {
        const uint64_t at = 0x19 + uint64_t{9} * i;
        if (!source.Fits(at, 9)) Damaged("section locators");
        const uint8_t number = source.U8(at);
        if (number == 1) classesAt = source.U32(at + 1);
        if (number == 2) mapAt = source.U32(at + 1);
    }
    if (mapAt == 0) Damaged("no object map");
    // The classes' size is the one after their sentinel: the locator's is not needed.
    if (classesAt != 0 && source.Fits(uint64_t{classesAt} + 16, 4)) {
        const uint64_t size =
            std::min<uint64_t>({uint64_t{source.U32(uint64_t{classesAt} + 16)} + 20, kMaxClassBytes,
                                source.Size() - classesAt});
        std::vector<uint8_t> data(static_cast<std::size_t>(size));
        source.Read(classesAt, data);
        ReadClasses(data);
    }
    ReadObjectMap(source, mapAt);
}

std::span<const uint8_t> DwgFile::Bytes(uint64_t offset, uint64_t size) {
    if (!source_->Fits(offset, size)) return {};
    if (offset < windowStart_ || offset - windowStart_ > window_.size() ||
        size > window_.size() - (offset - windowStart_)) {
        const uint64_t length = std::min(std::max(size, kWindowBytes), source_->Size() - offset);
        window_.resize(static_cast<std::size_t>(length));
        source_->Read(offset, window_);
        windowStart_ = offset;
    }
    return std::span<const uint8_t>(window_).subspan(
        static_cast<std::size_t>(offset - windowStart_), static_cast<std::size_t>(size));
}

// `data` starts at the sentinel: then RL size, the classes' bits, CRC and sentinel.
void DwgFile::ReadClasses(std::span<const uint8_t> data) {
    if (data.size() < 20) return;
    // From R2007 the strings end past the stated size: the bits then run to the section's end.
    const uint64_t size =
        R2007() ? data.size() - 20
                : std::min<uint64_t>(bytes::LoadU32(data.data() + 16), data.size() - 20);
    DwgBits bits(data.subspan(20, static_cast<std::size_t>(size)), releaseNumber_);
    if (R2007()) {
        // The bit size counts from its own field; the strings end there.
        if (wideClasses_) bits.RL();
        const uint64_t from = bits.Position();
        const uint64_t end = from + bits.RL();
        if (bits.Overrun() || !bits.StringsEndingAt(end)) return;
    }
    if (R2004()) {
        bits.BS();  // the highest class number
        bits.RC(), bits.RC(), bits.B();
    }
    while (bits.Left() >= 8 && classes_.size() < 65536) {
        Class c;
        c.number = bits.BS();
        bits.BS();  // flags
        bits.TV();  // application
        bits.TV();  // C++ class
        c.dxfName = bits.TV();
        bits.B();
        c.entity = bits.BS() == kEntityClass;
        if (R2004()) {
            for (int i = 0; i < 5; ++i) bits.BL();  // instances, release, maintenance, 2 unknown
        }
        if (bits.Overrun()) break;
        classes_.push_back(std::move(c));
    }
    std::sort(classes_.begin(), classes_.end(),
              [](const Class& a, const Class& b) { return a.number < b.number; });
}

void DwgFile::ReadObjectMap(ByteSource& in, uint64_t offset) {
    uint64_t at = offset;
    std::vector<uint8_t> part;
    // Entries are counted as read, kept or not, and a part without one ends the map: parts
    // that add nothing could otherwise run on for as long as the file.
    std::size_t entries = 0;
    while (entries < kMaxDwgObjects && at - offset < kMaxMapBytes && in.Fits(at, 2)) {
        const uint32_t size = in.U8(at) << 8 | in.U8(at + 1);
        if (size == 2) {
            mapComplete_ = true;
            break;
        }
        if (size < 2 || !in.Fits(at + 2, size - 2)) break;
        part.resize(size - 2);
        in.Read(at + 2, part);
        DwgBits bits(part, releaseNumber_);
        uint64_t handle = 0;
        int64_t location = 0;
        const std::size_t before = entries;
        while (bits.Left() > 0 && entries < kMaxDwgObjects) {
            const uint64_t step = bits.UMC();
            const int64_t move = bits.MC();
            if (bits.Overrun()) break;
            ++entries;
            handle += step;
            // Offsets stay within the objects: anything else is a lie, and never sums past it.
            if (move > 0 && static_cast<uint64_t>(move) > source_->Size()) break;
            if (move < 0 && -move > location) break;
            location += move;
            if (static_cast<uint64_t>(location) < std::min(source_->Size(), bytes::kMaxOffset)) {
                objects_.push_back({handle, static_cast<uint32_t>(location)});
            }
        }
        if (entries == before) break;
        at += size + 2;  // and the part's CRC
    }
    // Later entries of the same handle win, as the writer appends corrections.
    std::stable_sort(objects_.begin(), objects_.end(),
                     [](const Location& a, const Location& b) { return a.handle < b.handle; });
    std::vector<Location> unique;
    unique.reserve(objects_.size());
    for (auto it = objects_.begin(); it != objects_.end(); ++it) {
        if (it + 1 != objects_.end() && (it + 1)->handle == it->handle) continue;
        unique.push_back(*it);
    }
    objects_.swap(unique);
}

const DwgFile::Class* DwgFile::ClassOf(uint16_t type) const {
    const auto at = std::lower_bound(classes_.begin(), classes_.end(), type,
                                     [](const Class& c, uint16_t t) { return c.number < t; });
    return at != classes_.end() && at->number == type ? &*at : nullptr;
}

bool DwgFile::IsEntityType(uint16_t type) const {
    if (type >= kFirstClass) {
        const Class* c = ClassOf(type);
        return c && c->entity;
    }
    if (type == kProxyEntity) return true;
    return (type >= 1 && type <= 41) || (type >= 43 && type <= 47) || type == 74 || type == 77 ||
           type == 78;
}

bool DwgFile::ReadObject(uint32_t offset, DwgObject& object, DwgBits& bits, bool checkCrc) {
    object = DwgObject{};
    std::span<const uint8_t> whole;
    uint64_t size = 0, sizeBytes = 0;
    uint64_t referenceBits = 0;
    try {  // pages of a later release expand as they are reached, and may be damaged
        const auto head = Bytes(offset, std::min<uint64_t>(16, source_->Size() - offset));
        DwgBits sizeBits(head, releaseNumber_);
        size = sizeBits.MS();
        if (R2010()) referenceBits = sizeBits.UMC();
        if (sizeBits.Overrun() || size == 0 || size > kMaxDwgObjectBytes ||
            referenceBits > size * 8) {
            return false;
        }
        sizeBytes = sizeBits.Position() / 8;
        whole = Bytes(offset, sizeBytes + size + 2);
    } catch (const AppError&) {
        return false;
    }
    if (whole.empty()) return false;
    object.extent = whole.size();
    const auto crcAt = whole.data() + sizeBytes + size;
    if (ORTHOLUX_DWG_OBJECT_CRC && checkCrc &&
        DwgCrc(whole.first(static_cast<std::size_t>(sizeBytes + size)), kCrcSeed) !=
            bytes::LoadU16(crcAt)) {
        return false;
    }
    object_.assign(whole.begin() + static_cast<std::ptrdiff_t>(sizeBytes), whole.end() - 2);
    bits = DwgBits(object_, releaseNumber_);

    object.type = R2010() ? bits.OT() : bits.BS();
    const bool entity = IsEntityType(object.type);
    uint64_t handleBits = R2010() ? size * 8 - referenceBits : R2000() ? bits.RL() : 0;
    if (R2007() && !bits.StringsEndingAt(handleBits)) return false;
    object.handle = bits.H().value;
    for (;;) {  // extended data: each block an application's handle and its bytes
        const uint16_t eed = bits.BS();
        if (eed == 0 || bits.Overrun()) break;
        bits.H();
        bits.Seek(bits.Position() + uint64_t{eed} * 8);
    }
    if (entity) {
        if (bits.B()) {  // a picture of the entity, kept by some writers
            const uint64_t length = R2010() ? bits.BLL() : bits.RL();
            if (length > bits.Left() / 8) return false;
            bits.Seek(bits.Position() + length * 8);
        }
    }
    if (!R2000()) handleBits = bits.RL();
    if (entity) {
        object.entityMode = bits.BB();
        object.reactors = bits.BL();
        if (R2004()) object.noDictionary = bits.B();
        if (R2013()) bits.B();  // binary data
        if (!R2000()) object.byLayerLinetype = bits.B();
        if (!R2004()) object.noLinks = bits.B();
        if (R2004()) {
            // The colour index with flags: 0x8000 an RGB follows, 0x2000 a transparency, 0x4000
            // a colour book handle among the references.
            const uint16_t colour = bits.BS();
            object.colour = colour & 0x1FF;
            if (colour & 0x8000) {
                const uint32_t rgb = bits.BL();
                if ((rgb >> 24) == 0xC2) object.trueColour = rgb & 0xFFFFFF;
            }
            if (colour & 0x2000) bits.BL();
            object.colourHandle = (colour & 0x4000) != 0;
        } else {
            object.colour = bits.CMC();
        }
        bits.BD();  // linetype scale
        if (R2000()) {
            object.linetypeFlags = bits.BB();
            object.plotStyleFlags = bits.BB();
        }
        if (R2007()) {
            object.materialFlags = bits.BB();
            bits.RC();  // shadows
        }
        if (R2010()) {
            for (int i = 0; i < 3; ++i) object.visualStyles += bits.B() ? 1 : 0;
        }
        bits.BS();               // invisibility
        if (R2000()) bits.RC();  // lineweight
    } else {
        object.reactors = bits.BL();
        if (R2004()) object.noDictionary = bits.B();
        if (R2013()) bits.B();  // binary data
    }
    object.handleBits = handleBits;
    return !bits.Overrun() && handleBits <= bits.End();
}
