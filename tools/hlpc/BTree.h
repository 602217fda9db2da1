#pragma once
// B+ trees as the help engine reads them (the internal directory, |CONTEXT, |TTLBTREE,
// |KWBTREE).
//
// Layout: a 38-byte header, then TotalPages pages of PageSize bytes.
//   header: u16 magic 0x293B, u16 flags, u16 page size, char structure[16], i16 0,
//           i16 page splits, i16 root page, i16 -1, i16 total pages, i16 levels,
//           i32 total entries
//   leaf page:  u16 free bytes, i16 entries, i16 previous leaf (-1), i16 next leaf (-1),
//               then entries (key bytes, value bytes)
//   index page: u16 free bytes, i16 entries, i16 first child page,
//               then entries (first key of a child, i16 child page)
// Entries must be given in the order the engine searches them.
#include <cstdint>
#include <string>
#include <vector>

#include "ByteWriter.h"

namespace hlpc {

struct BTreeEntry {
    Bytes key;    // what the engine compares (also copied into index pages)
    Bytes value;  // the rest of a leaf entry
};

struct BTreeFormat {
    std::uint16_t pageSize;
    std::uint16_t flags;
    std::string structure;  // at most 15 characters, e.g. "z4"
};

inline constexpr std::uint16_t kBTreeMagic = 0x293B;
inline constexpr std::size_t kBTreeHeaderSize = 38;
inline constexpr std::size_t kLeafHeaderSize = 8;
inline constexpr std::size_t kIndexHeaderSize = 6;

// The directory of internal files: 1 KB pages, keys are zero-terminated names.
BTreeFormat DirectoryFormat();
// Trees of the topic data: 2 KB pages.
BTreeFormat ContextFormat();
BTreeFormat TitleFormat();
BTreeFormat KeywordFormat();

// Builds the whole tree, leaves filled in order, index levels above them; the root is the
// last page. Throws if an entry does not fit a page.
Bytes BuildBTree(const BTreeFormat& format, const std::vector<BTreeEntry>& entries);

}  // namespace hlpc
