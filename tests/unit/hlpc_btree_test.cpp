// B+ tree pages of the help compiler, checked byte by byte and by searching them the way the
// help engine does (index pages down to a leaf, then along the leaf).
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>

#include "BTree.h"

namespace {

using hlpc::BTreeEntry;
using hlpc::Bytes;

int U16(const Bytes& b, std::size_t at) { return b.at(at) | (b.at(at + 1) << 8); }
int I16(const Bytes& b, std::size_t at) { return static_cast<std::int16_t>(U16(b, at)); }
std::uint32_t U32(const Bytes& b, std::size_t at) {
    return static_cast<std::uint32_t>(U16(b, at)) |
           (static_cast<std::uint32_t>(U16(b, at + 2)) << 16);
}

BTreeEntry NameEntry(const std::string& name, std::uint32_t offset) {
    BTreeEntry e;
    e.key.assign(name.begin(), name.end());
    e.key.push_back(0);
    for (int i = 0; i < 4; ++i) e.value.push_back(static_cast<std::uint8_t>(offset >> (8 * i)));
    return e;
}

// The engine's look-up in a tree of zero-terminated names with 4-byte values.
std::optional<std::uint32_t> FindName(const Bytes& tree, const std::string& name) {
    const int pageSize = U16(tree, 4);
    int page = U16(tree, 26);
    int levels = U16(tree, 32);
    auto pageAt = [&](int n) {
        return hlpc::kBTreeHeaderSize + static_cast<std::size_t>(n) * pageSize;
    };
    while (--levels > 0) {
        std::size_t p = pageAt(page);
        int entries = I16(tree, p + 2);
        int child = U16(tree, p + 4);
        std::size_t at = p + 6;
        for (int i = 0; i < entries; ++i) {
            std::string key(reinterpret_cast<const char*>(&tree[at]));
            if (key > name) break;
            child = U16(tree, at + key.size() + 1);
            at += key.size() + 3;
        }
        page = child;
    }
    std::size_t p = pageAt(page);
    std::size_t at = p + 8;
    for (int i = 0; i < I16(tree, p + 2); ++i) {
        std::string key(reinterpret_cast<const char*>(&tree[at]));
        if (key == name) return U32(tree, at + key.size() + 1);
        at += key.size() + 5;
    }
    return std::nullopt;
}

std::vector<BTreeEntry> ManyNames(int count) {
    std::vector<BTreeEntry> entries;
    for (int i = 0; i < count; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "|file%05d", i);  // sorted as strings
        entries.push_back(NameEntry(name, 1000u + static_cast<std::uint32_t>(i)));
    }
    return entries;
}

TEST(HlpcBTree, SingleLeafDirectoryLayout) {
    Bytes tree = hlpc::BuildBTree(
        hlpc::DirectoryFormat(),
        {NameEntry("|CONTEXT", 16), NameEntry("|FONT", 0x200), NameEntry("|SYSTEM", 0x12345678)});
    ASSERT_EQ(tree.size(), 38u + 1024u);
    EXPECT_EQ(U16(tree, 0), 0x293B);
    EXPECT_EQ(U16(tree, 2), 0x0402);  // directory flag
    EXPECT_EQ(U16(tree, 4), 0x0400);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&tree[6])), "z4");
    EXPECT_EQ(I16(tree, 22), 0);
    EXPECT_EQ(I16(tree, 26), 0);  // root
    EXPECT_EQ(I16(tree, 28), -1);
    EXPECT_EQ(I16(tree, 30), 1);   // pages
    EXPECT_EQ(I16(tree, 32), 1);   // levels
    EXPECT_EQ(U32(tree, 34), 3u);  // entries

    const std::size_t used = 8 + (9 + 4) + (6 + 4) + (8 + 4);
    EXPECT_EQ(U16(tree, 38), static_cast<int>(1024 - used));
    EXPECT_EQ(I16(tree, 40), 3);
    EXPECT_EQ(I16(tree, 42), -1);
    EXPECT_EQ(I16(tree, 44), -1);
    EXPECT_EQ(0, std::memcmp(&tree[46], "|CONTEXT\0\x10\0\0\0|FONT\0\0\x02\0\0", 21));
    EXPECT_EQ(FindName(tree, "|SYSTEM"), 0x12345678u);
    EXPECT_EQ(FindName(tree, "|TOPIC"), std::nullopt);
    for (std::size_t i = 38 + used; i < tree.size(); ++i) ASSERT_EQ(tree[i], 0) << i;
}

TEST(HlpcBTree, EmptyTreeIsOneEmptyLeaf) {
    Bytes tree = hlpc::BuildBTree(hlpc::ContextFormat(), {});
    ASSERT_EQ(tree.size(), 38u + 2048u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&tree[6])), "L4");
    EXPECT_EQ(I16(tree, 30), 1);
    EXPECT_EQ(I16(tree, 32), 1);
    EXPECT_EQ(U16(tree, 38), 2048 - 8);
    EXPECT_EQ(I16(tree, 40), 0);
}

TEST(HlpcBTree, LeavesChainAndIndexPageNamesEachLeaf) {
    auto entries = ManyNames(200);  // 15 bytes each: 67 per 1 KB leaf
    Bytes tree = hlpc::BuildBTree(hlpc::DirectoryFormat(), entries);
    const int pages = I16(tree, 30);
    ASSERT_EQ(pages, 4);  // three leaves and their index page
    EXPECT_EQ(I16(tree, 32), 2);
    EXPECT_EQ(I16(tree, 26), 3);  // the root comes last
    EXPECT_EQ(U32(tree, 34), 200u);

    int total = 0;
    for (int leaf = 0; leaf < 3; ++leaf) {
        std::size_t p = 38 + static_cast<std::size_t>(leaf) * 1024;
        total += I16(tree, p + 2);
        EXPECT_EQ(I16(tree, p + 4), leaf == 0 ? -1 : leaf - 1);
        EXPECT_EQ(I16(tree, p + 6), leaf == 2 ? -1 : leaf + 1);
        EXPECT_EQ(U16(tree, p), 1024 - 8 - 15 * I16(tree, p + 2));
    }
    EXPECT_EQ(total, 200);

    std::size_t root = 38 + 3 * 1024;
    EXPECT_EQ(I16(tree, root + 2), 2);  // the two leaves after the first
    EXPECT_EQ(I16(tree, root + 4), 0);  // first leaf
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&tree[root + 6])), "|file00067");
    EXPECT_EQ(I16(tree, root + 6 + 11), 1);
    EXPECT_EQ(U16(tree, root), 1024 - 6 - 2 * 13);

    for (int i = 0; i < 200; ++i) {
        std::string name(entries[static_cast<std::size_t>(i)].key.begin(),
                         entries[static_cast<std::size_t>(i)].key.end() - 1);
        ASSERT_EQ(FindName(tree, name), 1000u + static_cast<std::uint32_t>(i)) << name;
    }
    EXPECT_EQ(FindName(tree, "|file"), std::nullopt);
    EXPECT_EQ(FindName(tree, "|file99999"), std::nullopt);
}

TEST(HlpcBTree, SmallPagesGrowThreeLevels) {
    hlpc::BTreeFormat tiny{64, 0x0002, "z4"};  // 3 entries a leaf, 4 children an index page
    auto entries = ManyNames(60);
    Bytes tree = hlpc::BuildBTree(tiny, entries);
    EXPECT_EQ(I16(tree, 32), 3);
    EXPECT_EQ(static_cast<std::size_t>(I16(tree, 30)) * 64 + 38, tree.size());
    for (int i = 0; i < 60; ++i) {
        std::string name(entries[static_cast<std::size_t>(i)].key.begin(),
                         entries[static_cast<std::size_t>(i)].key.end() - 1);
        ASSERT_EQ(FindName(tree, name), 1000u + static_cast<std::uint32_t>(i)) << name;
    }
}

TEST(HlpcBTree, RejectsEntryLargerThanAPage) {
    hlpc::BTreeFormat tiny{64, 0x0002, "z4"};
    EXPECT_THROW(hlpc::BuildBTree(tiny, {NameEntry(std::string(60, 'x'), 1)}), std::length_error);
    EXPECT_THROW(hlpc::BuildBTree({64, 2, std::string(16, 'z')}, {}), std::invalid_argument);
}

}  // namespace
