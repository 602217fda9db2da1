#pragma once
// A real R13-R2000 drawing rewritten small: its header and classes as they are, then the
// objects a picture needs (tables and entities, each copied byte for byte with its CRC) up to
// a byte budget, and a new object map pointing at them. No thumbnail and no header variables.
// The fuzz seeds are made this way, and the reader's tests read them against the originals.
// A drawing of R2004 on is rewritten the same way into a paged container of its own (pages
// coded as literals alone; R2007's parity and the others' checksums left zero: the reader does
// not check them).
#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "dwg/DwgBits.h"
#include "dwg/DwgPages.h"
#include "preview/ByteSource.h"

namespace dwgtest {

class BitWriter {
  public:
    void Bits(uint64_t value, int count) {
        for (int i = count - 1; i >= 0; --i) {
            if (bit_ % 8 == 0) bytes_.push_back(0);
            if (value >> i & 1) bytes_.back() |= static_cast<uint8_t>(0x80 >> (bit_ % 8));
            ++bit_;
        }
    }
    void Byte(uint8_t value) { Bits(value, 8); }
    void UMC(uint64_t value) {
        do {
            const uint8_t low = value & 0x7F;
            value >>= 7;
            Byte(value ? low | 0x80 : low);
        } while (value);
    }
    void MC(int64_t value) {
        uint64_t rest = value < 0 ? static_cast<uint64_t>(-value) : static_cast<uint64_t>(value);
        for (;;) {
            if (rest < 0x40) {
                Byte(static_cast<uint8_t>(rest | (value < 0 ? 0x40 : 0)));
                return;
            }
            Byte(static_cast<uint8_t>((rest & 0x7F) | 0x80));
            rest >>= 7;
        }
    }
    const std::vector<uint8_t>& Bytes() const { return bytes_; }

  private:
    std::vector<uint8_t> bytes_;
    uint64_t bit_ = 0;
};

inline uint32_t Le32(std::span<const uint8_t> b, std::size_t at) {
    return bytes::LoadU32(b.data() + at);
}
// Where an R13-R2000 drawing written by CompactDwg keeps its map's address: the third locator.
inline constexpr std::size_t kMapLocator = 0x19 + 9 * 2 + 1;
inline void PutLe32(std::vector<uint8_t>& b, std::size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// Objects kept: the tables a picture reads, and entities (fixed types and classes 500 on).
inline bool Wanted(uint16_t type) {
    return (type >= 1 && type <= 41) || (type >= 43 && type <= 47) || type == 49 || type == 51 ||
           type == 65 || type == 77 || type == 78 || type >= 500;
}

// Appends an object map of (handle, offset) entries in parts of about 2000 bytes, each from 0,
// and its closing part; returns where it starts.
inline uint32_t AppendObjectMap(std::vector<uint8_t>& out,
                                const std::vector<std::pair<uint64_t, uint32_t>>& entries) {
    const uint32_t start = static_cast<uint32_t>(out.size());
    for (std::size_t i = 0; i < entries.size();) {
        BitWriter part;
        uint64_t handle = 0;
        int64_t offset = 0;
        for (; i < entries.size() && part.Bytes().size() < 2000; ++i) {
            part.UMC(entries[i].first - handle);
            part.MC(static_cast<int64_t>(entries[i].second) - offset);
            handle = entries[i].first;
            offset = entries[i].second;
        }
        const std::size_t size = part.Bytes().size() + 2;
        out.push_back(static_cast<uint8_t>(size >> 8));
        out.push_back(static_cast<uint8_t>(size));
        out.insert(out.end(), part.Bytes().begin(), part.Bytes().end());
        out.push_back(0), out.push_back(0);  // the part's CRC, not checked by the reader
    }
    out.push_back(0), out.push_back(2), out.push_back(0), out.push_back(0);  // the last part
    return start;
}

// The objects of `map` that a picture needs, copied from `objects` (at most `budget` bytes),
// and where each now lies. From R2010 an object's size is followed by its references' size.
inline std::vector<std::pair<uint64_t, uint32_t>> KeepObjects(
    std::span<const uint8_t> objects, const std::vector<std::pair<uint64_t, uint32_t>>& map,
    int release, std::size_t budget, std::vector<uint8_t>& out) {
    std::vector<std::pair<uint64_t, uint32_t>> kept;
    for (const auto& [handle, offset] : map) {
        if (offset >= objects.size()) continue;
        DwgBits head(objects.subspan(offset, std::min<std::size_t>(16, objects.size() - offset)),
                     release);
        const uint64_t size = head.MS();
        if (release >= kR2010) head.UMC();
        const std::size_t sizeBytes = head.Position() / 8;
        const std::size_t whole = sizeBytes + size + 2;
        if (head.Overrun() || whole > objects.size() - offset) continue;
        DwgBits type(objects.subspan(offset + sizeBytes, std::min<uint64_t>(size, 4)), release);
        if (!Wanted(release >= kR2010 ? type.OT() : type.BS())) continue;
        if (out.size() + whole > budget) continue;
        kept.emplace_back(handle, static_cast<uint32_t>(out.size()));
        out.insert(out.end(), objects.begin() + offset, objects.begin() + offset + whole);
    }
    return kept;
}

inline std::vector<std::pair<uint64_t, uint32_t>> ReadObjectMap(std::span<const uint8_t> in,
                                                                std::size_t at, int release) {
    std::vector<std::pair<uint64_t, uint32_t>> map;
    while (at + 2 <= in.size()) {
        const uint32_t size = static_cast<uint32_t>(in[at]) << 8 | in[at + 1];
        if (size <= 2 || at + size > in.size()) break;
        DwgBits bits(in.subspan(at + 2, size - 2), release);
        uint64_t handle = 0;
        int64_t offset = 0;
        while (bits.Left() > 0) {
            handle += bits.UMC();
            offset += bits.MC();
            if (!bits.Overrun()) map.emplace_back(handle, static_cast<uint32_t>(offset));
        }
        at += size + 2;
    }
    return map;
}

// R2007's coding with literals alone: a length opcode, then each group of up to 32 bytes in
// the order the reader's shuffle puts back, learnt from the reader itself.
inline std::vector<uint8_t> LiteralLength2007(std::size_t n) {
    if (n < 8) return {0x20, 0, 0, static_cast<uint8_t>(n)};
    if (n < 0x17) return {static_cast<uint8_t>(n - 8)};
    std::vector<uint8_t> out = {0x0F};
    const std::size_t more = n - 0x17;
    if (more < 0xFF) {
        out.push_back(static_cast<uint8_t>(more));
        return out;
    }
    out.push_back(0xFF);
    std::size_t rest = more - 0xFF;
    for (;; rest -= 0xFFFF) {
        const std::size_t word = std::min<std::size_t>(rest, 0xFFFF);
        out.push_back(static_cast<uint8_t>(word)), out.push_back(static_cast<uint8_t>(word >> 8));
        if (word != 0xFFFF) break;
    }
    return out;
}

inline std::vector<uint8_t> Literals2007(std::span<const uint8_t> data) {
    std::vector<uint8_t> out = LiteralLength2007(data.size());
    for (std::size_t at = 0; at < data.size(); at += 32) {
        const std::size_t n = std::min<std::size_t>(32, data.size() - at);
        std::vector<uint8_t> probe = LiteralLength2007(n), order(n), block(n);
        for (std::size_t i = 0; i < n; ++i) probe.push_back(static_cast<uint8_t>(i));
        Dwg2007Decompress(probe, order);
        for (std::size_t i = 0; i < n; ++i) block[order[i]] = data[at + i];
        out.insert(out.end(), block.begin(), block.end());
    }
    return out;
}

// Blocks of `dataBytes` (and zero parity) to hold `length` bytes, interleaved byte by byte.
inline std::vector<uint8_t> Interleave(std::span<const uint8_t> data, std::size_t dataBytes,
                                       std::size_t length) {
    const std::size_t blocks = std::max<std::size_t>(1, (length + dataBytes - 1) / dataBytes);
    std::vector<uint8_t> coded(blocks * 255);
    for (std::size_t i = 0; i < data.size() && i < blocks * dataBytes; ++i) {
        coded[i / dataBytes + (i % dataBytes) * blocks] = data[i];
    }
    return coded;
}

inline void PutLe64(std::vector<uint8_t>& b, uint64_t v) {
    for (int i = 0; i < 8; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// A section of a paged container (R2004 on): its data, and the offsets its pages are listed at.
struct PagedSection {
    std::string name;
    std::vector<uint8_t> data;
    std::vector<uint64_t> offsets = {0};
};

// An R2007 container: the first 0x80 bytes of `head` (thumbnail address cleared), the coded
// header, each section as one compressed, interleaved page, the section map, the page map.
inline std::vector<uint8_t> Container2007(std::span<const uint8_t> head,
                                          const std::vector<PagedSection>& sections) {
    std::vector<uint8_t> out(head.begin(), head.begin() + 0x80);
    PutLe32(out, 0x0D, 0);
    out.resize(0x480);
    std::vector<uint8_t> pageMap, sectionMap;
    uint64_t id = 1;
    const auto page = [&](std::span<const uint8_t> coded) {
        PutLe64(pageMap, coded.size()), PutLe64(pageMap, id);
        out.insert(out.end(), coded.begin(), coded.end());
        return id++;
    };
    for (const PagedSection& section : sections) {
        const auto packed = Literals2007(section.data);
        const uint64_t pageId =
            page(Interleave(packed, 251, (packed.size() + 7) & ~std::size_t{7}));
        const uint64_t size =
            *std::max_element(section.offsets.begin(), section.offsets.end()) + section.data.size();
        for (const uint64_t v : {size, uint64_t{section.data.size()}, uint64_t{0}, uint64_t{0},
                                 uint64_t{section.name.size() * 2 + 2}, uint64_t{0}, uint64_t{4},
                                 uint64_t{section.offsets.size()}}) {
            PutLe64(sectionMap, v);
        }
        for (const char c : section.name + '\0') sectionMap.push_back(c), sectionMap.push_back(0);
        for (const uint64_t offset : section.offsets) {
            for (const uint64_t v : {offset, uint64_t{0}, pageId, uint64_t{section.data.size()},
                                     uint64_t{packed.size()}, uint64_t{0}, uint64_t{0}}) {
                PutLe64(sectionMap, v);
            }
        }
    }
    const auto systemPage = [](std::span<const uint8_t> data, std::size_t& packedSize) {
        const auto packed = Literals2007(data);
        packedSize = packed.size();
        return Interleave(packed, 239, (packed.size() + 7) & ~std::size_t{7});
    };
    std::size_t sectionMapPacked = 0, pageMapPacked = 0;
    const uint64_t sectionMapId = page(systemPage(sectionMap, sectionMapPacked));
    const uint64_t pageMapAt = out.size() - 0x480;  // last, so it need not list itself
    const auto pageMapCoded = systemPage(pageMap, pageMapPacked);
    out.insert(out.end(), pageMapCoded.begin(), pageMapCoded.end());

    std::vector<uint8_t> fields(0x110);
    const auto field = [&](std::size_t at, uint64_t v) {
        for (int i = 0; i < 8; ++i) fields[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    field(0x18, 1), field(0x38, pageMapAt), field(0x50, pageMapPacked);
    field(0x58, pageMap.size()), field(0xB0, sectionMapPacked), field(0xC0, sectionMapId);
    field(0xC8, sectionMap.size()), field(0xD8, 1);
    const auto packed = Literals2007(fields);
    std::vector<uint8_t> data(32);
    PutLe32(data, 24, static_cast<uint32_t>(packed.size()));
    data.insert(data.end(), packed.begin(), packed.end());
    const auto coded = Interleave(data, 239, 3 * 239);
    std::copy(coded.begin(), coded.end(), out.begin() + 0x80);
    return out;
}

// R2004's coding with literals alone: one run (at least 4 bytes), then the end.
inline std::vector<uint8_t> Literals2004(std::span<const uint8_t> data) {
    std::vector<uint8_t> in(data.begin(), data.end());
    in.resize(std::max<std::size_t>(in.size(), 4));
    std::vector<uint8_t> out;
    if (in.size() <= 18) {
        out.push_back(static_cast<uint8_t>(in.size() - 3));
    } else {
        out.push_back(0);
        std::size_t rest = in.size() - 18;
        for (; rest > 0xFF; rest -= 0xFF) out.push_back(0);
        out.push_back(static_cast<uint8_t>(rest));
    }
    out.insert(out.end(), in.begin(), in.end());
    out.push_back(0x11);
    return out;
}

// An R2004-style container (R2004, R2010 on): the first 0x80 bytes of `head` (thumbnail
// address cleared), the coded header, each section in compressed pages of `pageSize` (each
// listed at every one of its offsets), the section map, the page map. Page checksums are left
// 0: the reader does not check them.
inline std::vector<uint8_t> Container2004(std::span<const uint8_t> head,
                                          const std::vector<PagedSection>& sections,
                                          std::size_t pageSize = 0x7400) {
    std::vector<uint8_t> out(head.begin(), head.begin() + 0x80);
    PutLe32(out, 0x0D, 0);
    out.resize(0x100);
    std::vector<uint8_t> pageMap, sectionMap(20);
    uint32_t id = 1;
    PutLe32(sectionMap, 0, static_cast<uint32_t>(sections.size()));
    for (std::size_t number = 0; number < sections.size(); ++number) {
        const PagedSection& section = sections[number];
        const std::size_t pages =
            std::max<std::size_t>(1, (section.data.size() + pageSize - 1) / pageSize);
        const uint64_t size =
            *std::max_element(section.offsets.begin(), section.offsets.end()) + section.data.size();
        std::vector<uint8_t> entry(96);
        for (int i = 0; i < 8; ++i) entry[i] = static_cast<uint8_t>(size >> (8 * i));
        PutLe32(entry, 8, static_cast<uint32_t>(pages * section.offsets.size()));
        PutLe32(entry, 12, static_cast<uint32_t>(pageSize));
        PutLe32(entry, 20, 2);
        PutLe32(entry, 24, static_cast<uint32_t>(number + 1));
        std::copy(section.name.begin(), section.name.end(), entry.begin() + 32);
        for (std::size_t p = 0; p < pages; ++p) {
            const std::size_t from = p * pageSize;
            const auto packed =
                Literals2004(std::span(section.data)
                                 .subspan(from, std::min(pageSize, section.data.size() - from)));
            const uint32_t address = static_cast<uint32_t>(out.size());
            const uint32_t fields[8] = {
                0x4163043B, static_cast<uint32_t>(number + 1), static_cast<uint32_t>(packed.size()),
                static_cast<uint32_t>(pageSize), static_cast<uint32_t>(from)};
            for (const uint32_t field : fields) {
                const uint32_t v = field ^ 0x4164536B ^ address;
                for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
            }
            out.insert(out.end(), packed.begin(), packed.end());
            for (const uint64_t offset : section.offsets) {
                std::vector<uint8_t> page(16);
                PutLe32(page, 0, id), PutLe32(page, 4, static_cast<uint32_t>(packed.size()));
                PutLe32(page, 8, static_cast<uint32_t>(offset + from));
                entry.insert(entry.end(), page.begin(), page.end());
            }
            std::vector<uint8_t> listed(8);
            PutLe32(listed, 0, id++), PutLe32(listed, 4, 32 + static_cast<uint32_t>(packed.size()));
            pageMap.insert(pageMap.end(), listed.begin(), listed.end());
        }
        sectionMap.insert(sectionMap.end(), entry.begin(), entry.end());
    }
    const auto systemPage = [&](uint32_t type, std::span<const uint8_t> data) {
        const auto packed = Literals2004(data);
        std::vector<uint8_t> page(20);
        PutLe32(page, 0, type), PutLe32(page, 4, static_cast<uint32_t>(data.size()));
        PutLe32(page, 8, static_cast<uint32_t>(packed.size())), PutLe32(page, 12, 2);
        page.insert(page.end(), packed.begin(), packed.end());
        return page;
    };
    const uint32_t sectionMapId = id++;
    const auto sectionPage = systemPage(0x4163003B, sectionMap);
    std::vector<uint8_t> listed(8);
    PutLe32(listed, 0, sectionMapId), PutLe32(listed, 4, static_cast<uint32_t>(sectionPage.size()));
    pageMap.insert(pageMap.end(), listed.begin(), listed.end());
    out.insert(out.end(), sectionPage.begin(), sectionPage.end());
    const uint32_t pageMapId = id;
    const uint64_t pageMapAt = out.size();  // last, so it need not list itself
    const auto mapPage = systemPage(0x41630E3B, pageMap);
    out.insert(out.end(), mapPage.begin(), mapPage.end());

    std::vector<uint8_t> header(0x6C);
    const std::string magic = "AcFssFcAJMB";
    std::copy(magic.begin(), magic.end(), header.begin());
    PutLe32(header, 0x50, pageMapId);
    PutLe32(header, 0x54, static_cast<uint32_t>(pageMapAt - 0x100));
    PutLe32(header, 0x5C, sectionMapId);
    uint32_t seed = 1;
    for (std::size_t i = 0; i < header.size(); ++i) {
        seed = seed * 0x343FD + 0x269EC3;
        out[0x80 + i] = header[i] ^ static_cast<uint8_t>(seed >> 16);
    }
    return out;
}

// A real drawing of R2004 on made small: its classes, the objects a picture needs within
// `budget` bytes of the whole file, and their map, in a container of our own writing.
inline std::vector<uint8_t> CompactPagedDwg(std::span<const uint8_t> in, std::size_t budget,
                                            std::size_t pageSize = 0x7400) {
    MemorySource source(in);
    DwgPages pages(source);
    const auto read = [&](const char* name) {
        const DwgPages::Section* section = pages.Find(name);
        return section ? pages.Read(*section, std::size_t{64} << 20) : std::vector<uint8_t>();
    };
    const int release = std::stoi(std::string(in.begin() + 2, in.begin() + 6));
    const auto classes = read("AcDb:Classes");
    const auto objects = read("AcDb:AcDbObjects");
    const auto map = ReadObjectMap(read("AcDb:Handles"), 0, release);
    std::vector<uint8_t> drawing;
    for (std::size_t room = budget; room > 64;) {
        // The objects section opens with a word of its own.
        std::vector<uint8_t> kept(objects.begin(), objects.begin() + 4);
        std::vector<uint8_t> newMap;
        AppendObjectMap(newMap, KeepObjects(objects, map, release, room, kept));
        const std::vector<PagedSection> sections = {
            {"AcDb:Classes", classes}, {"AcDb:Handles", newMap}, {"AcDb:AcDbObjects", kept}};
        drawing =
            release == kR2007 ? Container2007(in, sections) : Container2004(in, sections, pageSize);
        if (drawing.size() <= budget) break;
        room -= std::min(room, drawing.size() - budget + 64);
    }
    return drawing;
}

inline std::vector<uint8_t> CompactDwg(std::span<const uint8_t> in, std::size_t budget) {
    std::vector<uint8_t> out(in.begin(), in.begin() + 0x19);
    const bool r2000 = in[5] == '5';
    uint32_t classesAt = 0, mapAt = 0;
    for (uint32_t i = 0; i < Le32(in, 0x15); ++i) {
        const std::size_t at = 0x19 + 9 * i;
        if (in[at] == 1) classesAt = Le32(in, at + 1);
        if (in[at] == 2) mapAt = Le32(in, at + 1);
    }
    PutLe32(out, 0x0D, 0);  // no thumbnail
    PutLe32(out, 0x15, 3);
    out.resize(0x19 + 27 + 2 + 16);  // three locators, the header CRC and sentinel left 0
    // Classes: sentinel, size, data, CRC, sentinel, as they stand.
    const uint32_t classBytes = Le32(in, classesAt + 16) + 16 + 4 + 2 + 16;
    const uint32_t newClasses = static_cast<uint32_t>(out.size());
    out.insert(out.end(), in.begin() + classesAt, in.begin() + classesAt + classBytes);

    // The old map, then each wanted object copied where the output has reached.
    const int release = r2000 ? kR2000 : kR13;
    const auto kept = KeepObjects(in, ReadObjectMap(in, mapAt, release), release, budget, out);
    const uint32_t newMap = AppendObjectMap(out, kept);
    const uint32_t locators[3][2] = {{0, 0}, {newClasses, classBytes}, {newMap, 0}};
    for (uint8_t i = 0; i < 3; ++i) {
        out[0x19 + 9 * i] = i;
        PutLe32(out, 0x19 + 9 * i + 1, locators[i][0]);
        PutLe32(out, 0x19 + 9 * i + 5, locators[i][1]);
    }
    return out;
}

}  // namespace dwgtest
