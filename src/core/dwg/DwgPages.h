#pragma once
// The container of R2004 and later drawings (release codes 1018, 1024, 1027, 1032; 1021 is
// read by DwgPages2007.cpp, see below):
//
//   0x80   0x6C bytes, XORed with a generator's bytes (seed 1, x = x * 0x343FD + 0x269EC3,
//          byte = x >> 16): "AcFssFcAJMB", ..., at 0x50 the page map's page id, at 0x54 (RLL)
//          its address less 0x100, at 0x5C the section map's page id
//   pages  system pages: a 20-byte header (RL type, decompressed size, compressed size,
//          compression 2, checksum), then compressed data. The page map lists (RL id, RL size)
//          in file order from 0x100, a negative id a gap with four more RLs. The section map
//          lists sections: RLL size, RL pages, RL largest page, RL, RL compressed, RL number,
//          RL encrypted, 64-byte name, then each page's RL id, RL compressed size, RLL offset
//   data   a 32-byte header XORed with 0x4164536B ^ its address, then compressed data
//
// Compression is LZ77 in DWG's own coding (DwgDecompress). Everything is bounded: a section
// is taken only up to a size cap, every page is checked against the file and its section, and
// data that expands past its page is the damaged-DWG error.
//
// R2007 (1021) keeps the same idea with other codings:
//
//   0x80   0x3D8 bytes: 3 Reed-Solomon blocks of 239 data and 16 parity bytes, interleaved
//          byte by byte; their data is RLL CRC, RLL key, RLL CRC, RL compressed size, RL, then
//          the compressed 0x110-byte header of RLL fields: at 0x18 the page map's correction
//          factor, 0x38 its offset from 0x480, 0x50 and 0x58 its compressed and full size,
//          0xB0 the section map's compressed size, 0xC0 its page id, 0xC8 its full size,
//          0xD8 its correction factor
//   system pages: ((compressed size + 7) & ~7) * correction bytes in blocks of 239, each
//          block 255 bytes with its parity, interleaved, then compressed. The page map lists
//          (RLL size, RLL id) in file order from 0x480 (a negative id: a free page). The
//          section map lists sections: RLL size, RLL page size, RLL encrypted, RLL hash,
//          RLL name bytes, RLL, RLL coding (4 interleaved), RLL pages, the UTF-16 name, then
//          each page's RLL offset, RLL size, RLL id, RLL full size, RLL compressed size and
//          two RLL checks
//   data   as system pages with blocks of 251 and no correction; compressed when the sizes
//          differ
//
// Its compression is another LZ77 coding (Dwg2007Decompress). The parity is not used: a
// damaged byte is read as it is, and the object CRCs find what matters.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "preview/ByteSource.h"

// A page, system or data, larger than this is damaged: writers use 0x7400 for data, and the
// maps of a large drawing take kilobytes. Fuzz builds lower it, so that pages at the cap cost
// microseconds.
#ifndef ORTHOLUX_MAX_DWG_PAGE_BYTES
#define ORTHOLUX_MAX_DWG_PAGE_BYTES (4u << 20)
#endif
inline constexpr uint32_t kMaxDwgPageBytes = ORTHOLUX_MAX_DWG_PAGE_BYTES;

// Decompresses `in` into `out`, which has the size the data claims; returns the bytes written.
// The damaged-DWG error for codes that read past `in`, copy from before the start, or write
// past `out`.
std::size_t DwgDecompress(std::span<const uint8_t> in, std::span<uint8_t> out);
// The same for R2007's coding: literal runs (their bytes stored in a shuffled order) and
// copies; the data ends where `in` ends.
std::size_t Dwg2007Decompress(std::span<const uint8_t> in, std::span<uint8_t> out);

class DwgPages {
  public:
    struct Page {
        uint32_t id = 0;
        uint32_t compressedSize = 0;
        uint64_t offset = 0;  // in the section
        uint32_t size = 0;    // R2007: its bytes once expanded
    };
    struct Section {
        std::string name;  // "AcDb:Classes", "AcDb:Handles", "AcDb:AcDbObjects", ...
        uint64_t size = 0;
        uint32_t pageSize = 0;
        bool compressed = true, encrypted = false;
        bool interleaved = false;  // R2007: pages in Reed-Solomon blocks
        std::vector<Page> pages;
    };

    // The damaged-DWG error when the header, the page map or the section map cannot be read.
    explicit DwgPages(ByteSource& source);

    const std::vector<Section>& Sections() const { return sections_; }
    uint64_t FileSize() const { return source_.Size(); }
    const Section* Find(const std::string& name) const;
    // A whole section, decompressed: at most `cap` bytes, else the damaged-DWG error.
    std::vector<uint8_t> Read(const Section& section, std::size_t cap);
    // One page of a section into `out`, which has the section's page size.
    void ReadPage(const Section& section, const Page& page, std::span<uint8_t> out);

  private:
    void Open2007();
    void ReadPage2007(const Section& section, const Page& page, std::span<uint8_t> out);
    std::vector<uint8_t> SystemPage2007(uint64_t address, uint64_t packed, uint64_t full,
                                        uint64_t correction);
    std::vector<uint8_t> SystemPage(uint32_t id, uint32_t type);
    bool PageAddress(uint32_t id, uint64_t& address, uint32_t& size) const;

    ByteSource& source_;
    std::vector<std::pair<uint32_t, std::pair<uint64_t, uint32_t>>> pages_;  // id: address, size
    std::vector<Section> sections_;
    bool r2007_ = false;
};

// A section as a ByteSource: its pages expanded when a read needs them, a few kept. What the
// object reader reads R2004 objects through, as it reads older drawings' objects from the file.
class DwgSectionSource final : public ByteSource {
  public:
    DwgSectionSource(DwgPages& pages, const DwgPages::Section& section);

  private:
    bool ReadAt(uint64_t offset, std::span<uint8_t> out) override;
    const std::vector<uint8_t>& PageAt(std::size_t index);

    DwgPages& pages_;
    DwgPages::Section section_;  // pages in offset order
    uint64_t pageSize_;
    struct Cached {
        std::size_t index = SIZE_MAX;
        std::vector<uint8_t> bytes;
    };
    std::vector<Cached> cache_;
    std::size_t next_ = 0;
    // Pages expanded again and again (objects visited out of page order, pages listed over
    // each other) stop at a budget that grows with the file, not with what its maps claim.
    uint64_t expanded_ = 0, budget_ = 0;
};
