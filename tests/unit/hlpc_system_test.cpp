// |SYSTEM and |FONT: header fields and the records the help engine reads (title, contents
// topic, main window caption, Shift-JIS character set, Japanese locale).
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "SystemFile.h"

namespace {

using hlpc::Bytes;

int U16(const Bytes& b, std::size_t at) { return b.at(at) | (b.at(at + 1) << 8); }
std::uint32_t U32(const Bytes& b, std::size_t at) {
    return static_cast<std::uint32_t>(U16(b, at)) |
           (static_cast<std::uint32_t>(U16(b, at + 2)) << 16);
}
std::string Str(const Bytes& b, std::size_t at) { return reinterpret_cast<const char*>(&b.at(at)); }

// Records in file order: type and the offset of their data.
std::vector<std::pair<int, std::size_t>> Records(const Bytes& sys) {
    std::vector<std::pair<int, std::size_t>> records;
    std::size_t at = 12;
    while (at + 4 <= sys.size()) {
        records.emplace_back(U16(sys, at), at + 4);
        at += 4 + static_cast<std::size_t>(U16(sys, at + 2));
    }
    EXPECT_EQ(at, sys.size());  // records end exactly where the file ends
    return records;
}

TEST(HlpcSystemFile, HeaderSaysUncompressedWindows95Help) {
    Bytes sys = hlpc::BuildSystemFile({"T", "", 0});
    EXPECT_EQ(U16(sys, 0), 0x036C);
    EXPECT_EQ(U16(sys, 2), 33);
    EXPECT_EQ(U16(sys, 4), 1);
    EXPECT_EQ(U32(sys, 6), 0u);  // no build time: same bytes every build
    EXPECT_EQ(U16(sys, 10), 0);  // 4 KB topic blocks, not compressed
}

TEST(HlpcSystemFile, RecordsCarryTitleContentsWindowLocaleAndCharset) {
    const std::string title = "Ortholux ヘルプ";  // Shift-JIS in this build
    Bytes sys = hlpc::BuildSystemFile({title, "(C) X", 0x8123});
    auto records = Records(sys);
    std::vector<int> types;
    for (auto& [type, at] : records) types.push_back(type);
    EXPECT_EQ(types, (std::vector<int>{1, 2, 3, 6, 9, 11}));  // title before the window

    std::map<int, std::size_t> at(records.begin(), records.end());
    EXPECT_EQ(Str(sys, at[1]), title);
    EXPECT_EQ(U16(sys, at[1] - 2), static_cast<int>(title.size() + 1));
    EXPECT_EQ(Str(sys, at[2]), "(C) X");
    EXPECT_EQ(U16(sys, at[3] - 2), 4);
    EXPECT_EQ(U32(sys, at[3]), 0x8123u);

    std::size_t w = at[6];
    EXPECT_EQ(U16(sys, w - 2), 90);
    EXPECT_EQ(U16(sys, w), 0x0006);  // name and caption given
    EXPECT_EQ(Str(sys, w + 2 + 10), "main");
    EXPECT_EQ(Str(sys, w + 2 + 10 + 9), title);

    EXPECT_EQ(U16(sys, at[9] - 2), 10);
    EXPECT_EQ(U16(sys, at[9] + 8), 0x0411);
    EXPECT_EQ(sys.at(at[11]), 128);  // SHIFTJIS_CHARSET, read as a byte by Wine
}

TEST(HlpcSystemFile, NoCopyrightRecordWhenEmpty) {
    auto records = Records(hlpc::BuildSystemFile({"T", "", 0}));
    for (auto& [type, at] : records) EXPECT_NE(type, 2);
}

TEST(HlpcSystemFile, TitleLongerThanTheCaptionFieldIsRefused) {
    EXPECT_THROW(hlpc::BuildSystemFile({std::string(51, 'x'), "", 0}), std::length_error);
    EXPECT_NO_THROW(hlpc::BuildSystemFile({std::string(50, 'x'), "", 0}));
}

TEST(HlpcFontFile, OneFaceFourDescriptors) {
    const std::string face = "ＭＳ Ｐゴシック";
    Bytes font = hlpc::BuildFontFile(face);
    EXPECT_EQ(U16(font, 0), 1);
    EXPECT_EQ(U16(font, 2), 4);
    EXPECT_EQ(U16(font, 4), 8);
    EXPECT_EQ(U16(font, 6), 8 + 20);
    ASSERT_EQ(font.size(), 8u + 20 + 4 * 11);
    EXPECT_EQ(Str(font, 8), face);
    auto d = [&](int i) { return std::size_t{28} + static_cast<std::size_t>(i) * 11; };
    EXPECT_EQ(font[d(0)], 0);       // body: plain
    EXPECT_EQ(font[d(0) + 1], 20);  // 10 points
    EXPECT_EQ(font[d(1)], 1);       // heading: bold
    EXPECT_GT(font[d(1) + 1], 20);
    EXPECT_EQ(font[d(2)], 4);  // jump label: underlined, green
    EXPECT_EQ(font[d(2) + 6], 0x80);
    EXPECT_LE(font[d(3) + 1], 2);                                   // padding: near zero
    for (int i = 0; i < 4; ++i) EXPECT_EQ(U16(font, d(i) + 3), 0);  // the one face
    EXPECT_THROW(hlpc::BuildFontFile(std::string(20, 'f')), std::length_error);
}

}  // namespace
