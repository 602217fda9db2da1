// The R2007 container and its compression; the layout is in DwgPages.h. Sizes and counts
// from the file are checked against caps and against the file before anything is allocated
// or read, so that no sum or product of them can overflow.
#include <algorithm>
#include <array>
#include <string_view>

#include "Error.h"
#include "dwg/DwgPages.h"
#include "preview/ByteSource.h"

namespace {

constexpr uint64_t kPageBase = 0x480;  // page map offsets count from here
constexpr std::size_t kHeaderBytes = 0x3D8;
constexpr std::size_t kSystemBlock = 239, kDataBlock = 251, kCodeword = 255;
// Maps of a large drawing take kilobytes; writers use correction factors of a few.
constexpr uint64_t kMaxSystemPage = kMaxDwgPageBytes;
constexpr uint64_t kMaxCorrection = 64;
constexpr uint64_t kMaxDataPage = kMaxDwgPageBytes;
constexpr uint64_t kMaxNameBytes = 512;
constexpr std::size_t kMaxSections = 256;
constexpr std::size_t kMaxPages = std::size_t{1} << 20;
constexpr std::size_t kPageRecord = 56;

[[noreturn]] void Damaged(const char* what) { throw AppError::DamagedDwg(what); }

uint64_t Le64(std::span<const uint8_t> b, std::size_t at) {
    if (at > b.size() || b.size() - at < 8) Damaged("map cut short");
    return bytes::LoadU32(b.data() + at) | uint64_t{bytes::LoadU32(b.data() + at + 4)} << 32;
}

// The data bytes of `blocks` Reed-Solomon codewords stored byte by byte in turn: byte j of
// block b lies at b + j * blocks. The parity after them is not checked.
std::vector<uint8_t> Deinterleave(std::span<const uint8_t> coded, std::size_t blocks,
                                  std::size_t dataBytes) {
    std::vector<uint8_t> data(blocks * dataBytes);
    for (std::size_t b = 0; b < blocks; ++b) {
        for (std::size_t j = 0; j < dataBytes; ++j) data[b * dataBytes + j] = coded[b + j * blocks];
    }
    return data;
}

// How a literal run's bytes are stored: each group of 32 (and the rest, 1 to 31) is cut into
// chunks of these sizes from its start, and the chunks are written out last first.
constexpr std::string_view kLiteralChunks[33] = {
    "",       "1",     "11",    "111",    "4",       "41",     "141",   "1411", "8",
    "81",     "181",   "1811",  "84",     "841",     "1841",   "18411", "88",   "818",
    "1881",   "88111", "884",   "8841",   "88411",   "884111", "888",   "8818", "88181",
    "881811", "8884",  "88841", "888411", "1188841", "8888"};

class Expander {
  public:
    Expander(std::span<const uint8_t> in, std::span<uint8_t> out) : in_(in), out_(out) {}

    bool AtEnd() const { return at_ >= in_.size(); }
    std::size_t Written() const { return written_; }
    uint8_t Next() {
        if (at_ >= in_.size()) Damaged("compressed data cut short");
        return in_[at_++];
    }

    // Opcodes below 0x10 (and the first) start a literal run of 8 more than their value;
    // 0x0F a longer one, counted on in a byte and then in 16-bit words.
    std::size_t LiteralLength(uint8_t op) {
        std::size_t length = std::size_t{op} + 8;
        if (length != 0x17) return length;
        const std::size_t more = Next();
        length += more;
        if (more != 0xFF) return length;
        for (std::size_t word = 0xFFFF; word == 0xFFFF;) {
            word = Next();
            word |= std::size_t{Next()} << 8;
            length += word;
            if (length > out_.size()) Damaged("literal too long");
        }
        return length;
    }

    void Literal(std::size_t count) {
        if (count > in_.size() - at_ || count > out_.size() - written_) Damaged("literal too long");
        while (count > 0) {
            const std::size_t block = std::min<std::size_t>(count, 32);
            std::array<std::size_t, 8> starts{}, sizes{};
            std::size_t chunks = 0, from = 0;
            for (const char c : kLiteralChunks[block]) {
                starts[chunks] = from;
                sizes[chunks] = static_cast<std::size_t>(c - '0');
                from += sizes[chunks++];
            }
            while (chunks-- > 0) {
                std::copy_n(in_.begin() + static_cast<std::ptrdiff_t>(at_ + starts[chunks]),
                            sizes[chunks], out_.begin() + static_cast<std::ptrdiff_t>(written_));
                written_ += sizes[chunks];
            }
            at_ += block;
            count -= block;
        }
    }

    // A copy of `length` bytes from `distance` back, overlapping its own output.
    void Copy(std::size_t length, std::size_t distance) {
        if (distance == 0 || distance > written_ || length > out_.size() - written_) {
            Damaged("copy out of range");
        }
        for (std::size_t i = 0; i < length; ++i, ++written_) {
            out_[written_] = out_[written_ - distance];
        }
    }

    // A copy's length and distance from its opcode and the bytes after it; `op` becomes the
    // last byte read, whose low three bits count the literals that follow.
    void Instruction(uint8_t& op, std::size_t& length, std::size_t& distance) {
        switch (op >> 4) {
            case 0:
                length = (op & 0x0Fu) + 0x13;
                distance = Next();
                op = Next();
                length += (op >> 3) & 0x10u;
                distance += ((op & 0x78u) << 5) + 1;
                break;
            case 1:
                length = (op & 0x0Fu) + 3;
                distance = Next();
                op = Next();
                distance += ((op & 0xF8u) << 5) + 1;
                break;
            case 2:
                distance = Next();
                distance |= std::size_t{Next()} << 8;
                length = op & 7u;
                if (!(op & 8)) {
                    op = Next();
                    length += op & 0xF8u;
                } else {
                    ++distance;
                    length += std::size_t{Next()} << 3;
                    op = Next();
                    length += (std::size_t{op & 0xF8u} << 8) + 0x100;
                }
                break;
            default:
                length = op >> 4;
                distance = op & 0x0Fu;
                op = Next();
                distance += ((op & 0xF8u) << 1) + 1;
        }
    }

  private:
    std::span<const uint8_t> in_;
    std::span<uint8_t> out_;
    std::size_t at_ = 0, written_ = 0;
};

}  // namespace

std::size_t Dwg2007Decompress(std::span<const uint8_t> in, std::span<uint8_t> out) {
    Expander e(in, out);
    if (e.AtEnd()) return 0;
    uint8_t op = e.Next();
    std::size_t length = 0;
    if ((op & 0xF0) == 0x20) {  // a short first literal: its length in the third byte after
        e.Next(), e.Next();
        length = e.Next() & 7u;
        if (length == 0) Damaged("empty literal");
    }
    while (!e.AtEnd()) {
        e.Literal(length != 0 ? length : e.LiteralLength(op));
        length = 0;
        if (e.AtEnd()) break;
        op = e.Next();
        std::size_t distance = 0;
        e.Instruction(op, length, distance);
        for (;;) {
            e.Copy(length, distance);
            length = op & 7u;
            if (length != 0 || e.AtEnd()) break;
            op = e.Next();
            if ((op >> 4) == 0) break;  // a literal run follows
            if ((op >> 4) == 0x0F) op &= 0x0F;
            e.Instruction(op, length, distance);
        }
    }
    return e.Written();
}

void DwgPages::Open2007() {
    if (!source_.Fits(0x80, kHeaderBytes)) Damaged("file header");
    std::vector<uint8_t> coded(kHeaderBytes);
    source_.Read(0x80, coded);
    const auto data = Deinterleave(coded, 3, kSystemBlock);
    const auto body = std::span<const uint8_t>(data).subspan(32);
    std::array<uint8_t, 0x110> header{};
    const auto packed = static_cast<int32_t>(bytes::LoadU32(data.data() + 24));
    if (packed > 0) {
        Dwg2007Decompress(
            body.first(std::min<std::size_t>(static_cast<std::size_t>(packed), body.size())),
            header);
    } else {
        std::copy_n(body.begin(), header.size(), header.begin());
    }
    const std::span<const uint8_t> h(header);

    // Pages lie in the map's order from kPageBase; a page past the file ends the map.
    const uint64_t mapAt = Le64(h, 0x38);
    if (mapAt > source_.Size()) Damaged("page map");
    const auto map = SystemPage2007(kPageBase + mapAt, Le64(h, 0x50), Le64(h, 0x58), Le64(h, 0x18));
    uint64_t address = kPageBase;
    for (std::size_t at = 0; at + 16 <= map.size() && pages_.size() < kMaxPages; at += 16) {
        const uint64_t size = Le64(map, at);
        const uint64_t raw = Le64(map, at + 8);
        const uint64_t id = raw >> 63 ? 0 - raw : raw;  // negative: a free page
        if (address > source_.Size() || size > source_.Size() - address) break;
        if (id != 0 && id <= UINT32_MAX) {
            pages_.push_back({static_cast<uint32_t>(id), {address, static_cast<uint32_t>(size)}});
        }
        address += size;
    }
    std::sort(pages_.begin(), pages_.end());

    const uint64_t sectionMapId = Le64(h, 0xC0);
    uint64_t sectionMapAt = 0;
    uint32_t unused = 0;
    if (sectionMapId > UINT32_MAX ||
        !PageAddress(static_cast<uint32_t>(sectionMapId), sectionMapAt, unused)) {
        Damaged("no section map");
    }
    const auto sections = SystemPage2007(sectionMapAt, Le64(h, 0xB0), Le64(h, 0xC8), Le64(h, 0xD8));
    for (std::size_t at = 0; at + 64 <= sections.size() && sections_.size() < kMaxSections;) {
        Section section;
        section.size = Le64(sections, at);
        // Pages of the same section expand to different sizes, some past the size given here:
        // the largest is what each page is given room for.
        section.pageSize = 0;
        section.encrypted = Le64(sections, at + 16) != 0;
        const uint64_t nameBytes = Le64(sections, at + 32);
        section.interleaved = Le64(sections, at + 48) == 4;
        const uint64_t pages = Le64(sections, at + 56);
        at += 64;
        if (nameBytes > kMaxNameBytes || nameBytes > sections.size() - at) {
            Damaged("section name");
        }
        for (std::size_t i = 0; i + 1 < nameBytes; i += 2) {  // UTF-16; the names are ASCII
            const unsigned c = sections[at + i] | sections[at + i + 1] << 8;
            if (c == 0) break;
            section.name += c < 0x80 ? static_cast<char>(c) : '?';
        }
        at += static_cast<std::size_t>(nameBytes);
        if (pages > (sections.size() - at) / kPageRecord) Damaged("section map cut short");
        for (uint64_t p = 0; p < pages; ++p, at += kPageRecord) {
            const uint64_t offset = Le64(sections, at);
            const uint64_t id = Le64(sections, at + 16);
            const uint64_t size = Le64(sections, at + 24);
            const uint64_t packedSize = Le64(sections, at + 32);
            if (id > UINT32_MAX || size > kMaxDataPage || packedSize > kMaxDataPage) {
                Damaged("data page");
            }
            section.pages.push_back({static_cast<uint32_t>(id), static_cast<uint32_t>(packedSize),
                                     offset, static_cast<uint32_t>(size)});
            section.pageSize = std::max(section.pageSize, static_cast<uint32_t>(size));
        }
        if (!section.name.empty()) sections_.push_back(std::move(section));
    }
}

std::vector<uint8_t> DwgPages::SystemPage2007(uint64_t address, uint64_t packed, uint64_t full,
                                              uint64_t correction) {
    if (packed == 0 || packed > kMaxSystemPage || full > kMaxSystemPage || correction == 0 ||
        correction > kMaxCorrection) {
        Damaged("system page size");
    }
    const uint64_t codedData = ((packed + 7) & ~uint64_t{7}) * correction;
    if (codedData > kMaxSystemPage) Damaged("system page size");
    const auto blocks = static_cast<std::size_t>((codedData + kSystemBlock - 1) / kSystemBlock);
    if (!source_.Fits(address, uint64_t{blocks} * kCodeword)) Damaged("system page");
    std::vector<uint8_t> coded(blocks * kCodeword);
    source_.Read(address, coded);
    const auto data = Deinterleave(coded, blocks, kSystemBlock);
    std::vector<uint8_t> out(static_cast<std::size_t>(full));
    // Stored as it is where the sizes agree, as data pages are.
    if (packed != full) {
        Dwg2007Decompress(std::span(data).first(static_cast<std::size_t>(packed)), out);
    } else {
        std::copy_n(data.begin(), out.size(), out.begin());  // full == packed <= data
    }
    return out;
}

void DwgPages::ReadPage2007(const Section& section, const Page& page, std::span<uint8_t> out) {
    uint64_t address = 0;
    uint32_t stored = 0;
    if (!PageAddress(page.id, address, stored)) Damaged("no data page");
    if (page.size > out.size()) Damaged("data page larger than its section's pages");
    std::vector<uint8_t> data;
    if (section.interleaved) {
        const uint64_t codedData = (uint64_t{page.compressedSize} + 7) & ~uint64_t{7};
        const auto blocks = static_cast<std::size_t>((codedData + kDataBlock - 1) / kDataBlock);
        if (!source_.Fits(address, uint64_t{blocks} * kCodeword)) Damaged("data page");
        std::vector<uint8_t> coded(blocks * kCodeword);
        source_.Read(address, coded);
        data = Deinterleave(coded, blocks, kDataBlock);
    } else {
        if (!source_.Fits(address, page.compressedSize)) Damaged("data page");
        data.resize(page.compressedSize);
        source_.Read(address, data);
    }
    const auto packed = std::span<const uint8_t>(data).first(page.compressedSize);
    if (page.compressedSize != page.size) {
        Dwg2007Decompress(packed, out.first(page.size));
    } else {
        std::copy(packed.begin(), packed.end(), out.begin());
    }
}
