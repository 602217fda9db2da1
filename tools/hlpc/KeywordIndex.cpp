#include "KeywordIndex.h"

#include "BTree.h"

namespace hlpc {
namespace {

// Leaf pages come first in a built tree, chained from page 0; their entry counts give the map.
Bytes KeywordMap(const Bytes& tree) {
    const std::size_t pageSize = tree[4] | (tree[5] << 8);
    ByteWriter map;
    std::uint32_t first = 0;
    std::uint16_t page = 0;
    while (page != 0xFFFF) {
        const std::size_t at = kBTreeHeaderSize + page * pageSize;
        map.U32(first);
        map.U16(page);
        first += static_cast<std::uint32_t>(tree[at + 2] | (tree[at + 3] << 8));
        page = static_cast<std::uint16_t>(tree[at + 6] | (tree[at + 7] << 8));
    }
    return map.Take();
}

}  // namespace

void AddKeywordIndex(const std::vector<Topic>& topics, const std::vector<std::uint32_t>& offsets,
                     std::map<std::string, Bytes>& files) {
    std::map<std::string, std::vector<std::uint32_t>> keywords;  // byte order
    for (std::size_t i = 1; i < topics.size(); ++i) keywords[topics[i].title].push_back(offsets[i]);

    ByteWriter data;
    std::vector<BTreeEntry> entries;
    for (const auto& [keyword, topicOffsets] : keywords) {
        BTreeEntry entry;
        entry.key.assign(keyword.begin(), keyword.end());
        entry.key.push_back(0);
        ByteWriter value;
        value.U16(static_cast<std::uint16_t>(topicOffsets.size()));
        value.U32(static_cast<std::uint32_t>(data.Size()));
        entry.value = value.Take();
        entries.push_back(std::move(entry));
        for (std::uint32_t offset : topicOffsets) data.U32(offset);
    }
    Bytes tree = BuildBTree(KeywordFormat(), entries);
    files["|KWMAP"] = KeywordMap(tree);
    files["|KWBTREE"] = std::move(tree);
    files["|KWDATA"] = data.Take();
}

}  // namespace hlpc
