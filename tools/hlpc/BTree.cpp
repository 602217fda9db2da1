#include "BTree.h"

#include <stdexcept>

namespace hlpc {
namespace {

struct ChildRef {
    std::uint16_t page;
    Bytes firstKey;
};

std::uint16_t PageNumber(std::size_t index) {
    if (index > 0x7FFF) throw std::length_error("B+ tree has too many pages");
    return static_cast<std::uint16_t>(index);
}

std::size_t LeafEntrySize(const BTreeEntry& entry) { return entry.key.size() + entry.value.size(); }

// Leaves in order, each filled as far as it goes; an empty tree still has one empty leaf.
std::vector<std::vector<const BTreeEntry*>> GroupLeaves(const std::vector<BTreeEntry>& entries,
                                                        std::size_t capacity) {
    std::vector<std::vector<const BTreeEntry*>> groups(1);
    std::size_t used = 0;
    for (const BTreeEntry& entry : entries) {
        std::size_t size = LeafEntrySize(entry);
        if (size > capacity) throw std::length_error("B+ tree entry larger than a page");
        if (used + size > capacity) {
            groups.emplace_back();
            used = 0;
        }
        groups.back().push_back(&entry);
        used += size;
    }
    return groups;
}

}  // namespace

BTreeFormat DirectoryFormat() { return {0x0400, 0x0402, "z4"}; }
BTreeFormat ContextFormat() { return {0x0800, 0x0002, "L4"}; }
BTreeFormat TitleFormat() { return {0x0800, 0x0002, "Lz"}; }
BTreeFormat KeywordFormat() { return {0x0800, 0x0002, "F24"}; }

Bytes BuildBTree(const BTreeFormat& format, const std::vector<BTreeEntry>& entries) {
    if (format.structure.size() > 15) throw std::invalid_argument("B+ tree structure too long");
    const std::size_t pageSize = format.pageSize;
    std::vector<Bytes> pages;

    auto groups = GroupLeaves(entries, pageSize - kLeafHeaderSize);
    std::vector<ChildRef> level;
    for (std::size_t i = 0; i < groups.size(); ++i) {
        std::size_t used = kLeafHeaderSize;
        for (const BTreeEntry* entry : groups[i]) used += LeafEntrySize(*entry);
        ByteWriter page;
        page.U16(static_cast<std::uint16_t>(pageSize - used));
        page.U16(static_cast<std::uint16_t>(groups[i].size()));
        page.U16(i == 0 ? 0xFFFF : PageNumber(i - 1));
        page.U16(i + 1 == groups.size() ? 0xFFFF : PageNumber(i + 1));
        for (const BTreeEntry* entry : groups[i]) {
            page.Append(entry->key);
            page.Append(entry->value);
        }
        page.Zeros(pageSize - page.Size());
        level.push_back(
            {PageNumber(pages.size()), groups[i].empty() ? Bytes{} : groups[i].front()->key});
        pages.push_back(page.Take());
    }

    // Index levels until one page remains: a page names its first child in its header and
    // each further child by that child's first key.
    std::uint16_t levels = 1;
    while (level.size() > 1) {
        ++levels;
        std::vector<ChildRef> parents;
        std::size_t i = 0;
        while (i < level.size()) {
            const std::size_t first = i++;
            std::size_t used = kIndexHeaderSize;
            std::size_t last = i;
            while (last < level.size() && used + level[last].firstKey.size() + 2 <= pageSize) {
                used += level[last].firstKey.size() + 2;
                ++last;
            }
            if (last == i && i < level.size()) throw std::length_error("B+ tree key too long");
            ByteWriter page;
            page.U16(static_cast<std::uint16_t>(pageSize - used));
            page.U16(static_cast<std::uint16_t>(last - i));
            page.U16(level[first].page);
            for (; i < last; ++i) {
                page.Append(level[i].firstKey);
                page.U16(level[i].page);
            }
            page.Zeros(pageSize - page.Size());
            parents.push_back({PageNumber(pages.size()), level[first].firstKey});
            pages.push_back(page.Take());
        }
        level = std::move(parents);
    }

    ByteWriter tree;
    tree.U16(kBTreeMagic);
    tree.U16(format.flags);
    tree.U16(format.pageSize);
    tree.Append(format.structure);
    tree.Zeros(16 - format.structure.size());
    tree.I16(0);                         // must be zero
    tree.I16(0);                         // page splits: none, the tree is built whole
    tree.U16(level.front().page);        // root
    tree.I16(-1);                        // must be -1
    tree.U16(PageNumber(pages.size()));  // total pages
    tree.U16(levels);
    tree.U32(static_cast<std::uint32_t>(entries.size()));
    for (const Bytes& page : pages) tree.Append(page);
    return tree.Take();
}

}  // namespace hlpc
