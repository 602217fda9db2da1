#pragma once
// A real R13-R2000 drawing rewritten small: its header and classes as they are, then the
// objects a picture needs (tables and entities, each copied byte for byte with its CRC) up to
// a byte budget, and a new object map pointing at them. No thumbnail and no header variables.
// The fuzz seeds are made this way, and the reader's tests read them against the originals.
#include <cstdint>
#include <span>
#include <vector>

#include "dwg/DwgBits.h"
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
    std::vector<std::pair<uint64_t, uint32_t>> map;
    for (std::size_t at = mapAt;;) {
        const uint32_t size = static_cast<uint32_t>(in[at]) << 8 | in[at + 1];
        if (size <= 2) break;
        DwgBits bits(in.subspan(at + 2, size - 2), r2000);
        uint64_t handle = 0;
        int64_t offset = 0;
        while (bits.Left() > 0) {
            handle += bits.UMC();
            offset += bits.MC();
            if (!bits.Overrun()) map.emplace_back(handle, static_cast<uint32_t>(offset));
        }
        at += size + 2;
    }
    std::vector<std::pair<uint64_t, uint32_t>> kept;
    for (const auto& [handle, offset] : map) {
        DwgBits head(in.subspan(offset, 8), r2000);
        const uint64_t size = head.MS();
        const std::size_t sizeBytes = head.Position() / 8;
        DwgBits type(in.subspan(offset + sizeBytes, std::min<uint64_t>(size, 4)), r2000);
        if (!Wanted(type.BS())) continue;
        const std::size_t whole = sizeBytes + size + 2;
        if (out.size() + whole > budget) continue;
        kept.emplace_back(handle, static_cast<uint32_t>(out.size()));
        out.insert(out.end(), in.begin() + offset, in.begin() + offset + whole);
    }
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
