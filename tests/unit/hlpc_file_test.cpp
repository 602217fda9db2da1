// The whole help file, compiled from the shipped source and read back by a small reader
// written here from the format description: file header, directory, |SYSTEM, |TOPIC,
// |CONTEXT and |TTLBTREE must agree with each other.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "ContextHash.h"
#include "HelpCompiler.h"

namespace {

using hlpc::Bytes;

std::uint32_t U16(const Bytes& b, std::size_t at) { return b.at(at) | (b.at(at + 1) << 8); }
std::uint32_t U32(const Bytes& b, std::size_t at) { return U16(b, at) | (U16(b, at + 2) << 16); }
std::string Str(const Bytes& b, std::size_t at) {
    std::string s;
    while (b.at(at) != 0) s.push_back(static_cast<char>(b[at++]));
    return s;
}

struct Reader {
    Bytes file;
    std::map<std::string, std::size_t> dir;  // name -> start of content

    explicit Reader(Bytes bytes) : file(std::move(bytes)) {
        EXPECT_EQ(U32(file, 0), 0x00035F3Fu);
        EXPECT_EQ(U32(file, 8), 0xFFFFFFFFu);
        EXPECT_EQ(U32(file, 12), file.size());
        std::size_t d = Content(U32(file, 4));
        for (auto& [key, value] : Leaves(d)) dir[Str(key, 0)] = Content(U32(value, 0));
    }

    // Checks an internal file's head and returns where its content starts.
    std::size_t Content(std::size_t at) {
        EXPECT_LE(at + 9, file.size());
        EXPECT_EQ(U32(file, at), U32(file, at + 4) + 9);
        EXPECT_LE(at + U32(file, at), file.size());
        return at + 9;
    }
    std::size_t Size(const std::string& name) { return U32(file, dir.at(name) - 5); }

    // All leaf entries of a B+ tree, in order: down the first children, then along the leaves.
    // Keys are a string or a long (from the structure text); the rest of an entry is the value.
    std::vector<std::pair<Bytes, Bytes>> Leaves(std::size_t tree) {
        EXPECT_EQ(U16(file, tree), 0x293Bu);
        const std::size_t pageSize = U16(file, tree + 4);
        const std::string structure = Str(file, tree + 6);
        std::size_t page = U16(file, tree + 26);
        for (std::uint32_t level = U16(file, tree + 32); level > 1; --level) {
            page = U16(file, tree + 38 + page * pageSize + 4);
        }
        std::vector<std::pair<Bytes, Bytes>> out;
        while (page != 0xFFFF) {
            std::size_t p = tree + 38 + page * pageSize;
            std::size_t at = p + 8;
            for (std::uint32_t i = 0; i < U16(file, p + 2); ++i) {
                std::size_t keySize = structure[0] == 'L' ? 4 : Str(file, at).size() + 1;
                const std::string valueForm = structure.substr(1);  // "4", "24" or "z"
                std::size_t valueSize = valueForm == "4"    ? 4
                                        : valueForm == "24" ? 6
                                                            : Str(file, at + keySize).size() + 1;
                out.push_back({Bytes(&file[at], &file[at] + keySize),
                               Bytes(&file[at + keySize], &file[at + keySize] + valueSize)});
                at += keySize + valueSize;
            }
            page = U16(file, p + 6);
        }
        return out;
    }
};

struct WalkedTopic {
    std::string title;
    std::uint32_t offset;
    std::vector<std::int32_t> jumps;
};

// Follows the record chain like the engine: data of 4 KB blocks side by side, TOPICPOS
// (block << 14) + 12 + offset, characters counted per block from the records' text sizes.
std::vector<WalkedTopic> WalkTopics(Reader& r) {
    const std::size_t start = r.dir.at("|TOPIC");
    const std::size_t size = r.Size("|TOPIC");
    EXPECT_EQ(size % 4096, 0u);
    Bytes data;
    for (std::size_t b = 0; b < size / 4096; ++b) {
        data.insert(data.end(), r.file.begin() + static_cast<std::ptrdiff_t>(start + b * 4096 + 12),
                    r.file.begin() + static_cast<std::ptrdiff_t>(start + b * 4096 + 4096));
    }
    std::vector<WalkedTopic> topics;
    std::uint32_t pos = U32(r.file, start + 4);
    std::size_t lastBlock = 0, chars = 0;
    for (int guard = 0; pos != 0xFFFFFFFF && guard < 10000; ++guard) {
        std::size_t block = (pos - 12) >> 14;
        std::size_t at = block * 4084 + ((pos - 12) & 0x3FFF);
        if (block != lastBlock) chars = 0;
        lastBlock = block;
        const std::size_t formatEnd = at + U32(data, at + 16);
        if (data.at(at + 20) == 2) {
            topics.push_back(
                {Str(data, formatEnd), static_cast<std::uint32_t>(block * 0x8000 + chars), {}});
        } else {
            chars += U32(data, at + 4);
            std::size_t c = at + 21;
            c += (data[c] & 1) ? 4 : 2;
            c += (data[c] & 1) ? 2 : 1;
            c += 4;
            std::uint32_t flags = U16(data, c);
            c += 2;
            c += (data[c] & 1) ? 2 : 1;  // space below
            if (flags & 0x0200) c += 2;  // one tab stop, one-byte forms
            while (c < formatEnd && data[c] != 0xFF) {
                std::uint8_t cmd = data[c];
                if (cmd == 0xE7)
                    topics.back().jumps.push_back(static_cast<std::int32_t>(U32(data, c + 1)));
                c += cmd == 0x80 ? 3 : cmd == 0xE7 ? 5 : 1;
            }
            EXPECT_EQ(c + 1, formatEnd);
        }
        pos = U32(data, at + 12);
    }
    return topics;
}

Bytes CompileShipped() {
    std::ifstream in(ORTHOLUX_HELP_SOURCE, std::ios::binary);
    std::string source((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return hlpc::CompileHelpSource(source);
}

TEST(HlpcHelpFile, ShippedFileReadsBackWhole) {
    Reader r(CompileShipped());
    std::vector<std::string> names;
    for (auto& [name, at] : r.dir) names.push_back(name);
    EXPECT_EQ(names, (std::vector<std::string>{"|CONTEXT", "|FONT", "|KWBTREE", "|KWDATA", "|KWMAP",
                                               "|SYSTEM", "|TOPIC", "|TTLBTREE"}));

    const std::size_t sys = r.dir.at("|SYSTEM");
    EXPECT_EQ(U16(r.file, sys), 0x036Cu);
    EXPECT_EQ(U16(r.file, sys + 12), 1u);
    EXPECT_EQ(Str(r.file, sys + 16), "Ortholux ヘルプ");

    auto topics = WalkTopics(r);
    ASSERT_EQ(topics.size(), 6u);
    EXPECT_EQ(topics[0].title, "目次");
    EXPECT_EQ(topics[1].title, "図面を開く");
    EXPECT_EQ(topics[5].title, "バージョン情報");
    EXPECT_EQ(topics[0].offset, 0u);

    // |CONTEXT: sorted by signed hash; every jump of the contents topic lands on a topic,
    // each other topic exactly once.
    std::map<std::int32_t, std::uint32_t> context;
    std::int64_t previous = INT64_MIN;
    for (auto& [key, value] : r.Leaves(r.dir.at("|CONTEXT"))) {
        auto hash = static_cast<std::int32_t>(U32(key, 0));
        EXPECT_GT(hash, previous);
        previous = hash;
        context[hash] = U32(value, 0);
    }
    EXPECT_EQ(context.size(), topics.size());
    EXPECT_EQ(context.at(hlpc::ContextHash("contents")), 0u);
    std::vector<std::string> reached;
    for (std::int32_t jump : topics[0].jumps) {
        ASSERT_TRUE(context.count(jump));
        for (auto& t : topics) {
            if (t.offset == context[jump]) reached.push_back(t.title);
        }
    }
    EXPECT_EQ(reached, (std::vector<std::string>{topics[1].title, topics[2].title, topics[3].title,
                                                 topics[4].title, topics[5].title}));

    // The index: every topic but the contents under its title, one topic each.
    std::vector<std::string> keywords;
    const std::size_t kwdata = r.dir.at("|KWDATA");
    for (auto& [key, value] : r.Leaves(r.dir.at("|KWBTREE"))) {
        keywords.push_back(Str(key, 0));
        EXPECT_EQ(U16(value, 0), 1u);
        std::uint32_t offset = U32(r.file, kwdata + U32(value, 2));
        auto topic =
            std::find_if(topics.begin(), topics.end(), [&](auto& t) { return t.offset == offset; });
        ASSERT_NE(topic, topics.end());
        EXPECT_EQ(topic->title, keywords.back());
    }
    EXPECT_EQ(keywords.size(), topics.size() - 1);
    EXPECT_TRUE(std::is_sorted(keywords.begin(), keywords.end()));
    EXPECT_EQ(r.Size("|KWMAP"), 6u);  // one leaf: first keyword 0 on page 0
    EXPECT_EQ(U32(r.file, r.dir.at("|KWMAP")), 0u);

    auto titles = r.Leaves(r.dir.at("|TTLBTREE"));
    ASSERT_EQ(titles.size(), topics.size());
    for (std::size_t i = 0; i < titles.size(); ++i) {
        EXPECT_EQ(U32(titles[i].first, 0), topics[i].offset);
        EXPECT_EQ(Str(titles[i].second, 0), topics[i].title);
    }
}

TEST(HlpcHelpFile, SameSourceSameBytes) { EXPECT_EQ(CompileShipped(), CompileShipped()); }

TEST(HlpcHelpFile, NegativeHashesSortFirst) {
    Bytes help = hlpc::CompileHelpSource(
        "title: T\nfont: F\n@topic zeta Z\n[[introduction|i]]\n@topic introduction I\n");
    Reader r(std::move(help));
    auto leaves = r.Leaves(r.dir.at("|CONTEXT"));
    ASSERT_EQ(leaves.size(), 2u);
    EXPECT_EQ(static_cast<std::int32_t>(U32(leaves[0].first, 0)),
              hlpc::ContextHash("introduction"));
    EXPECT_LT(hlpc::ContextHash("introduction"), 0);
    auto topics = WalkTopics(r);
    ASSERT_EQ(topics.size(), 2u);
    EXPECT_EQ(U32(leaves[0].second, 0), topics[1].offset);
    EXPECT_EQ(U32(leaves[1].second, 0), topics[0].offset);
}

}  // namespace
