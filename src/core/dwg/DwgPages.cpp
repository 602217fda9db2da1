#include "dwg/DwgPages.h"

#include <algorithm>
#include <array>

#include "Error.h"
#include "preview/ByteSource.h"

namespace {

constexpr uint32_t kPageMapType = 0x41630E3B;
constexpr uint32_t kSectionMapType = 0x4163003B;
constexpr uint32_t kDataPageType = 0x4163043B;
constexpr uint32_t kDataPageMask = 0x4164536B;
constexpr uint32_t kMaxSystemPage = kMaxDwgPageBytes;
constexpr uint32_t kMaxDataPage = kMaxDwgPageBytes;
constexpr std::size_t kMaxSections = 256;
constexpr std::size_t kMaxPages = std::size_t{1} << 20;

[[noreturn]] void Damaged(const char* what) { throw AppError::DamagedDwg(what); }

uint32_t Le32(std::span<const uint8_t> b, std::size_t at) {
    if (at > b.size() || b.size() - at < 4) Damaged("map cut short");
    return bytes::LoadU32(b.data() + at);
}
uint64_t Le64(std::span<const uint8_t> b, std::size_t at) {
    return Le32(b, at) | uint64_t{Le32(b, at + 4)} << 32;
}

// Literal and copy lengths: the opcode's own bits, or, when they are zero, a run of zero bytes
// each worth 255 and a last byte, added to `base`.
std::size_t RunLength(std::span<const uint8_t> in, std::size_t& at, std::size_t bits,
                      std::size_t base) {
    if (bits != 0) return bits;
    std::size_t length = base;
    for (;;) {
        if (at >= in.size()) Damaged("compressed data cut short");
        const uint8_t byte = in[at++];
        if (byte != 0) return length + byte;
        length += 0xFF;
    }
}

}  // namespace

std::size_t DwgDecompress(std::span<const uint8_t> in, std::span<uint8_t> out) {
    std::size_t at = 0, written = 0;
    const auto next = [&]() -> uint8_t {
        if (at >= in.size()) Damaged("compressed data cut short");
        return in[at++];
    };
    const auto literal = [&](std::size_t count) {
        if (count > in.size() - at || count > out.size() - written) Damaged("literal too long");
        std::copy_n(in.begin() + static_cast<std::ptrdiff_t>(at), count,
                    out.begin() + static_cast<std::ptrdiff_t>(written));
        at += count;
        written += count;
    };
    uint8_t op = next();
    if ((op & 0xF0) == 0) {
        literal(RunLength(in, at, op & 0x0F, 0x0F) + 3);
        op = next();
    }
    while (op != 0x11) {
        std::size_t count = 0, distance = 0;
        uint8_t low = op;  // whose two low bits count the literals that follow
        if (op < 0x10 || op >= 0x40) {
            count = (op >> 4) - 1;
            distance = ((op >> 2 & 3) | std::size_t{next()} << 2) + 1;
        } else {
            const bool far = op < 0x20;
            count = RunLength(in, at, op & (far ? 0x07 : 0x1F), far ? 0x07 : 0x1F) + 2;
            low = next();
            distance = (far ? std::size_t(op & 8) << 11 : 0) | low >> 2;
            distance |= std::size_t{next()} << 6;
            distance += far ? 0x4000 : 1;
        }
        if (distance > written || count > out.size() - written) Damaged("copy out of range");
        for (std::size_t i = 0; i < count; ++i, ++written) out[written] = out[written - distance];
        std::size_t literals = low & 3;
        if (literals == 0) {
            op = next();
            if ((op & 0xF0) == 0) literals = RunLength(in, at, op & 0x0F, 0x0F) + 3;
        }
        if (literals > 0) {
            literal(literals);
            op = next();
        }
    }
    return written;
}

DwgPages::DwgPages(ByteSource& source) : source_(source) {
    std::array<uint8_t, 6> magic{};
    if (source.Fits(0, magic.size())) source.Read(0, magic);
    if (std::string(magic.begin(), magic.end()) == "AC1021") {
        r2007_ = true;
        Open2007();
        return;
    }
    if (!source.Fits(0x80, 0x6C)) Damaged("file header");
    std::array<uint8_t, 0x6C> header{};
    source.Read(0x80, header);
    uint32_t seed = 1;
    for (uint8_t& byte : header) {
        seed = seed * 0x343FD + 0x269EC3;
        byte ^= static_cast<uint8_t>(seed >> 16);
    }
    if (std::string(header.begin(), header.begin() + 11) != "AcFssFcAJMB") Damaged("file header");
    const std::span<const uint8_t> h(header);
    const uint64_t pageMapAt = Le64(h, 0x54) + 0x100;
    const uint32_t sectionMapId = Le32(h, 0x5C);

    // The page map: system page at a known address, pages laid out in file order from 0x100.
    if (!source.Fits(pageMapAt, 20) || source.U32(pageMapAt) != kPageMapType) Damaged("page map");
    pages_.push_back({Le32(h, 0x50), {pageMapAt, 0}});
    const auto map = SystemPage(Le32(h, 0x50), kPageMapType);
    uint64_t address = 0x100;
    pages_.clear();
    for (std::size_t at = 0; at + 8 <= map.size() && pages_.size() < kMaxPages;) {
        const auto id = static_cast<int32_t>(Le32(map, at));
        const uint32_t size = Le32(map, at + 4);
        at += id < 0 ? 24 : 8;
        if (id > 0) pages_.push_back({static_cast<uint32_t>(id), {address, size}});
        address += size;
        if (address > source.Size()) break;
    }
    std::sort(pages_.begin(), pages_.end());

    const auto sections = SystemPage(sectionMapId, kSectionMapType);
    const uint32_t count = Le32(sections, 0);
    std::size_t at = 20;
    for (uint32_t i = 0; i < count && sections_.size() < kMaxSections; ++i) {
        Section section;
        section.size = Le64(sections, at);
        const uint32_t pages = Le32(sections, at + 8);
        section.pageSize = Le32(sections, at + 12);
        section.compressed = Le32(sections, at + 20) == 2;
        section.encrypted = Le32(sections, at + 28) == 1;
        if (at + 96 > sections.size()) Damaged("section map cut short");
        const auto name = sections.begin() + static_cast<std::ptrdiff_t>(at + 32);
        section.name.assign(name, std::find(name, name + 64, uint8_t{0}));
        at += 96;
        for (uint32_t p = 0; p < pages; ++p) {
            if (section.pages.size() >= kMaxPages) Damaged("too many pages");
            section.pages.push_back(
                {Le32(sections, at), Le32(sections, at + 4), Le64(sections, at + 8)});
            at += 16;
        }
        sections_.push_back(std::move(section));
    }
}

bool DwgPages::PageAddress(uint32_t id, uint64_t& address, uint32_t& size) const {
    const auto it = std::lower_bound(pages_.begin(), pages_.end(), id,
                                     [](const std::pair<uint32_t, std::pair<uint64_t, uint32_t>>& p,
                                        uint32_t i) { return p.first < i; });
    if (it == pages_.end() || it->first != id) return false;
    address = it->second.first;
    size = it->second.second;
    return true;
}

std::vector<uint8_t> DwgPages::SystemPage(uint32_t id, uint32_t type) {
    uint64_t address = 0;
    uint32_t size = 0;
    if (!PageAddress(id, address, size) || !source_.Fits(address, 20)) Damaged("no system page");
    if (source_.U32(address) != type) Damaged("system page type");
    const uint32_t full = source_.U32(address + 4);
    const uint32_t packed = source_.U32(address + 8);
    if (full > kMaxSystemPage || packed > kMaxSystemPage || !source_.Fits(address + 20, packed)) {
        Damaged("system page size");
    }
    std::vector<uint8_t> in(packed), out(full);
    source_.Read(address + 20, in);
    if (source_.U32(address + 12) != 2) return in;  // stored as it is
    out.resize(DwgDecompress(in, out));
    return out;
}

const DwgPages::Section* DwgPages::Find(const std::string& name) const {
    for (const Section& section : sections_) {
        if (section.name == name) return &section;
    }
    return nullptr;
}

void DwgPages::ReadPage(const Section& section, const Page& page, std::span<uint8_t> out) {
    if (r2007_) {
        ReadPage2007(section, page, out);
        return;
    }
    uint64_t address = 0;
    uint32_t size = 0;
    if (!PageAddress(page.id, address, size) || !source_.Fits(address, 32)) {
        Damaged("no data page");
    }
    std::array<uint8_t, 32> head{};
    source_.Read(address, head);
    const uint32_t mask = kDataPageMask ^ static_cast<uint32_t>(address);
    uint32_t fields[8];
    for (int i = 0; i < 8; ++i) fields[i] = bytes::LoadU32(head.data() + 4 * i) ^ mask;
    const uint32_t packed = fields[2];
    if (fields[0] != kDataPageType || packed > kMaxDataPage ||
        !source_.Fits(address + 32, packed)) {
        Damaged("data page");
    }
    std::vector<uint8_t> in(packed);
    source_.Read(address + 32, in);
    if (section.compressed) {
        DwgDecompress(in, out);
    } else {
        std::copy_n(in.begin(), std::min(in.size(), out.size()), out.begin());
    }
}

std::vector<uint8_t> DwgPages::Read(const Section& section, std::size_t cap) {
    // Each page expands to the section's page size, zeros after its data; the section's own
    // size then cuts the whole.
    const uint64_t pageSize = std::min<uint64_t>(section.pageSize, kMaxDataPage);
    uint64_t total = section.size;
    for (const Page& page : section.pages) {
        if (page.offset > cap) Damaged("section too large");
        total = std::max(total, page.offset + pageSize);
    }
    if (total > cap) Damaged("section too large");
    std::vector<uint8_t> data(static_cast<std::size_t>(total));
    // Pages that expand over each other, or whose data share the file's bytes, lie, and would
    // make the work grow with their count.
    uint64_t expanded = 0, packed = 0;
    for (const Page& page : section.pages) {
        expanded += r2007_ ? page.size : std::min(pageSize, total - page.offset);
        packed += r2007_ ? page.compressedSize : 0;
        if (expanded > total || packed > source_.Size()) Damaged("pages overlap");
        ReadPage(section, page,
                 std::span(data).subspan(
                     static_cast<std::size_t>(page.offset),
                     static_cast<std::size_t>(std::min(pageSize, total - page.offset))));
    }
    data.resize(static_cast<std::size_t>(section.size));
    return data;
}

namespace {
constexpr std::size_t kCachedPages = 4;
// A page expands to many times its coded size, and a pass over a section's objects may expand
// a page more than once; beyond this, a drawing's objects are left unread.
constexpr uint64_t kExpandedPerFileByte = 256;
}  // namespace

DwgSectionSource::DwgSectionSource(DwgPages& pages, const DwgPages::Section& section)
    : ByteSource(section.size),
      pages_(pages),
      section_(section),
      pageSize_(std::min<uint64_t>(section.pageSize, kMaxDataPage)),
      cache_(kCachedPages),
      budget_(uint64_t{16} * kMaxDwgPageBytes +
              kExpandedPerFileByte * std::min(pages.FileSize(), uint64_t{1} << 40)) {
    std::sort(section_.pages.begin(), section_.pages.end(),
              [](const DwgPages::Page& a, const DwgPages::Page& b) { return a.offset < b.offset; });
}

const std::vector<uint8_t>& DwgSectionSource::PageAt(std::size_t index) {
    for (const Cached& cached : cache_) {
        if (cached.index == index) return cached.bytes;
    }
    if (pageSize_ > budget_ - std::min(budget_, expanded_)) Damaged("pages expanded too often");
    expanded_ += pageSize_;
    Cached& slot = cache_[next_++ % cache_.size()];
    slot.index = SIZE_MAX;
    slot.bytes.assign(static_cast<std::size_t>(pageSize_), 0);
    pages_.ReadPage(section_, section_.pages[index], slot.bytes);
    slot.index = index;
    return slot.bytes;
}

bool DwgSectionSource::ReadAt(uint64_t offset, std::span<uint8_t> out) {
    std::size_t done = 0;
    while (done < out.size()) {
        const uint64_t at = offset + done;
        // The last page starting at or before `at`; a gap between pages reads as zeros.
        const auto it =
            std::upper_bound(section_.pages.begin(), section_.pages.end(), at,
                             [](uint64_t o, const DwgPages::Page& p) { return o < p.offset; });
        if (it == section_.pages.begin()) return false;
        const std::size_t index = static_cast<std::size_t>(it - section_.pages.begin()) - 1;
        const uint64_t inPage = at - section_.pages[index].offset;
        if (inPage >= pageSize_) return false;
        const auto& page = PageAt(index);
        // A page ends at its room or where the next begins (R2007's pages differ in size).
        uint64_t room = pageSize_ - inPage;
        if (it != section_.pages.end()) room = std::min(room, it->offset - at);
        const std::size_t count =
            static_cast<std::size_t>(std::min<uint64_t>(room, out.size() - done));
        std::copy_n(page.begin() + static_cast<std::ptrdiff_t>(inPage), count,
                    out.begin() + static_cast<std::ptrdiff_t>(done));
        done += count;
    }
    return true;
}
