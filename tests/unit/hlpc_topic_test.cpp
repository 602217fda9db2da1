// Topic records and |TOPIC layout: paragraph encoding byte by byte, the hotspot alignment for
// engines that count bytes, and the block/offset arithmetic walked the way the engine does.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "ContextHash.h"
#include "TopicFile.h"

namespace {

using hlpc::Bytes;
using hlpc::Paragraph;
using hlpc::Run;

std::uint32_t U32(const Bytes& b, std::size_t at) {
    return b.at(at) | (b.at(at + 1) << 8) | (b.at(at + 2) << 16) |
           (static_cast<std::uint32_t>(b.at(at + 3)) << 24);
}

Run Text(const std::string& text) { return {Run::Kind::Text, text, {}}; }
Run Jump(const std::string& target, const std::string& label) {
    return {Run::Kind::Jump, label, target};
}
Run Break() { return {Run::Kind::LineBreak, {}, {}}; }

TEST(HlpcTopicRecord, PlainParagraphBytes) {
    std::size_t dbcs = 0;
    hlpc::TopicRecord r =
        hlpc::EncodeParagraph(Paragraph{{Text("Hello")}}, hlpc::kFontBody, 8, dbcs);
    EXPECT_EQ(r.type, 0x20);
    EXPECT_EQ(r.text, (Bytes{0, 'H', 'e', 'l', 'l', 'o', 0, 0}));
    // size 8 and count 8 (compressed: 2*(8+0x4000), 2*8), 0, 0x80, id 0, flags "space below",
    // space 8 (2*(8+64)), font 0, paragraph end, end.
    EXPECT_EQ(r.format, (Bytes{0x10, 0x80, 0x10, 0x00, 0x80, 0x00, 0x00, 0x04, 0x00, 0x90, 0x80,
                               0x00, 0x00, 0x82, 0xFF}));
    EXPECT_EQ(dbcs, 0u);
}

TEST(HlpcTopicRecord, JumpStartingALineTakesTheBreakAndSwitchesFonts) {
    std::size_t dbcs = 0;
    hlpc::TopicRecord r = hlpc::EncodeParagraph(Paragraph{{Text("A"), Break(), Jump("open", "B")}},
                                                hlpc::kFontBody, 8, dbcs);
    std::int32_t hash = hlpc::ContextHash("open");
    Bytes commands(r.format.begin() + 10, r.format.end());
    Bytes expected{0x80, 0, 0, 0xE7};
    for (int i = 0; i < 4; ++i)
        expected.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(hash) >> (8 * i)));
    Bytes rest{0x81, 0x80, 2, 0, 0x89, 0x80, 0, 0, 0x82, 0xFF};
    expected.insert(expected.end(), rest.begin(), rest.end());
    EXPECT_EQ(commands, expected);
    EXPECT_EQ(r.text, (Bytes{0, 'A', 0, 0, 0, 'B', 0, 0, 0, 0}));
}

TEST(HlpcTopicRecord, TabStopAnnouncedOnlyWithTabs) {
    std::size_t dbcs = 0;
    hlpc::TopicRecord r = hlpc::EncodeParagraph(
        Paragraph{{Text("1012"), {Run::Kind::Tab, {}, {}}, Text("x")}}, hlpc::kFontBody, 8, dbcs);
    EXPECT_EQ(r.format.at(7), 0x04);
    EXPECT_EQ(r.format.at(8), 0x02);   // tab stops follow
    EXPECT_EQ(r.format.at(9), 0x90);   // space below 8
    EXPECT_EQ(r.format.at(10), 0x82);  // one stop: 2*(1+64)
    EXPECT_EQ(r.format.at(11), 0xF0);  // at 120 half points, one byte: 2*120
    EXPECT_EQ(r.format.at(12), 0x80);  // then the commands

    hlpc::TopicRecord plain =
        hlpc::EncodeParagraph(Paragraph{{Text("1012")}}, hlpc::kFontBody, 8, dbcs);
    EXPECT_EQ(plain.format.at(8), 0x00);
}

// What the byte-counting engine and its character-counting text control see: per jump, the
// engine's range [first, last] in bytes and the label's place in characters.
struct JumpSpan {
    std::size_t rangeFirst, rangeLast, labelFirst, labelLast;
};

std::vector<JumpSpan> SimulateByteCountingEngine(const hlpc::TopicRecord& r, std::size_t bytes0,
                                                 std::size_t chars0) {
    std::vector<JumpSpan> spans;
    std::size_t bytes = bytes0, chars = chars0, s = 0;
    std::size_t c = (r.format[0] & 1) ? 4 : 2;  // compressed text size
    c += (r.format[c] & 1) ? 2 : 1;             // compressed character count
    c += 2 + 2;                                 // 0, 0x80, paragraph id
    std::uint16_t flags = static_cast<std::uint16_t>(r.format[c] | (r.format[c + 1] << 8));
    c += 2;
    EXPECT_EQ(flags, 0x0004);  // only the space below, in its one-byte form
    c += 1;
    bool inJump = false, padFont = false;
    JumpSpan span{};
    while (true) {
        std::string text(reinterpret_cast<const char*>(&r.text[s]));
        s += text.size() + 1;
        for (std::size_t i = 0; i < text.size(); ++i) {
            unsigned char b = static_cast<unsigned char>(text[i]);
            bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
            if (inJump && !padFont && span.labelFirst == 0) span.labelFirst = chars;
            bytes += lead ? 2 : 1;
            chars += 1;
            if (lead) ++i;
        }
        std::uint8_t cmd = r.format.at(c);
        if (cmd == 0xFF) break;
        if (cmd == 0x80) {
            padFont = r.format.at(c + 1) == hlpc::kFontPad;
            c += 3;
        } else if (cmd == 0xE7) {
            inJump = true;
            span = {bytes, 0, 0, 0};
            c += 5;
        } else if (cmd == 0x89) {
            span.rangeLast = bytes;
            span.labelLast = chars;
            spans.push_back(span);
            inJump = false;
            c += 1;
        } else {  // line break, paragraph end, tab: one character for both
            ++bytes;
            ++chars;
            c += 1;
        }
    }
    return spans;
}

TEST(HlpcTopicRecord, HotspotsCoverTheirLabelsWhenTheEngineCountsBytes) {
    const std::string intro = "\x96\xda\x8e\x9f\x82\xc5\x82\xb7";  // 目次です: 4 double-byte
    const std::string label = "\x90\x7d\x96\xca";                  // 図面
    Paragraph p{{Text(intro), Break(), Jump("open", label), Break(), Jump("about", "ABC"),
                 Text(" " + label + " "), Jump("status", label)}};
    std::size_t dbcs = 3;  // the heading before this paragraph had three
    hlpc::TopicRecord r = hlpc::EncodeParagraph(p, hlpc::kFontBody, 8, dbcs);
    EXPECT_EQ(dbcs, 3u + 4 + 2 + 2 + 2);

    // The heading: 3 double-byte characters and its paragraph end.
    auto spans = SimulateByteCountingEngine(r, 3 * 2 + 1, 3 + 1);
    ASSERT_EQ(spans.size(), 3u);
    for (const JumpSpan& span : spans) {
        EXPECT_LE(span.rangeFirst, span.labelFirst);
        EXPECT_GE(span.rangeLast, span.labelLast);
    }
    for (std::size_t i = 1; i < spans.size(); ++i) {
        EXPECT_GT(spans[i].rangeFirst,
                  spans[i - 1].labelLast);  // a later range never covers an earlier label
    }
}

TEST(HlpcTopicFile, FirstBlockAndOffsets) {
    std::vector<hlpc::Topic> topics{{"a", "One", {Paragraph{{Text("xy")}}}}, {"b", "Two", {}}};
    hlpc::TopicFile file = hlpc::BuildTopicFile(topics);
    ASSERT_EQ(file.bytes.size(), 4096u);
    EXPECT_EQ(U32(file.bytes, 0), 0xFFFFFFFFu);  // no link before
    EXPECT_EQ(U32(file.bytes, 4), 12u);          // first link
    EXPECT_EQ(U32(file.bytes, 8), 0xFFFFFFFFu);  // no topic header before
    // First record: the topic header with its title.
    EXPECT_EQ(file.bytes.at(12 + 20), 0x02);
    EXPECT_EQ(U32(file.bytes, 12 + 8), 0xFFFFFFFFu);  // no previous record
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&file.bytes[12 + 21 + 28])), "One");
    // Topic "a" counts its heading (strings "", "One", "" = 6 bytes) and paragraph ("", "xy", "").
    ASSERT_EQ(file.offsets.size(), 2u);
    EXPECT_EQ(file.offsets[0], 0u);
    EXPECT_EQ(file.offsets[1], 11u);
}

// Walks |TOPIC like the engine: blocks' data side by side, TOPICPOS (block << 14) + 12 + offset.
TEST(HlpcTopicFile, RecordsCrossBlocksAndOffsetsMatchTheEnginesCount) {
    std::vector<hlpc::Topic> topics;
    for (int t = 0; t < 12; ++t) {
        hlpc::Topic topic{"t" + std::to_string(t), "Topic " + std::to_string(t), {}};
        for (int p = 0; p < 8; ++p)
            topic.paragraphs.push_back(
                Paragraph{{Text(std::string(150 + t * 7, 'a' + static_cast<char>(p)))}});
        topics.push_back(topic);
    }
    hlpc::TopicFile file = hlpc::BuildTopicFile(topics);
    ASSERT_EQ(file.bytes.size() % 4096, 0u);
    const std::size_t blocks = file.bytes.size() / 4096;
    ASSERT_GE(blocks, 4u);
    Bytes data;
    for (std::size_t b = 0; b < blocks; ++b)
        data.insert(data.end(), file.bytes.begin() + static_cast<std::ptrdiff_t>(b * 4096 + 12),
                    file.bytes.begin() + static_cast<std::ptrdiff_t>(b * 4096 + 4096));

    std::vector<std::uint32_t> offsets;
    std::vector<std::uint32_t> headerPos;
    std::uint32_t pos = 12, previous = 0xFFFFFFFF;
    std::size_t lastBlock = 0, chars = 0, records = 0;
    while (pos != 0xFFFFFFFF) {
        std::size_t block = (pos - 12) >> 14;
        std::size_t at = block * 4084 + ((pos - 12) & 0x3FFF);
        ASSERT_LT(at + 21, data.size());
        if (block != lastBlock) chars = 0;
        lastBlock = block;
        EXPECT_EQ(U32(data, at + 8), previous);
        std::uint8_t type = data[at + 20];
        if (type == 2) {
            offsets.push_back(static_cast<std::uint32_t>(block * 0x8000 + chars));
            headerPos.push_back(pos);
        } else {
            ASSERT_EQ(type, 0x20);
            chars += U32(data, at + 4);  // the text part counts every byte
        }
        previous = pos;
        pos = U32(data, at + 12);
        ++records;
    }
    EXPECT_EQ(records, 12u * 10);
    EXPECT_EQ(offsets, file.offsets);
    // Block headers name the first record starting in them and the topic header in force.
    for (std::size_t b = 1; b < blocks; ++b) {
        std::uint32_t first = U32(file.bytes, b * 4096 + 4);
        std::uint32_t header = U32(file.bytes, b * 4096 + 8);
        if (first != 0xFFFFFFFF) {
            EXPECT_EQ((first - 12) >> 14, b);
        }
        EXPECT_LT(header, static_cast<std::uint32_t>(b << 14) + 12);
        EXPECT_NE(std::find(headerPos.begin(), headerPos.end(), header), headerPos.end());
    }
}

}  // namespace
