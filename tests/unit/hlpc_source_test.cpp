// The help source parser: settings, topics, paragraphs, jumps and the faults it reports with
// their line numbers. Sources are UTF-8 (u8 literals); results are Shift-JIS, as the plain
// literals of this build are.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "HelpSource.h"

namespace {

using hlpc::Run;

std::string U8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

const char8_t* kSmall =
    u8"# comment\n"
    u8"title: Ortholux ヘルプ\n"
    u8"font: ＭＳ Ｐゴシック\n"
    u8"\n"
    u8"@topic contents 目次\n"
    u8"はじめに\n"
    u8"[[open|図面を開く]] と [[about|情報]]\n"
    u8"\n"
    u8"\n"
    u8"次の段落\tタブ\n"
    u8"@topic open 図面を開く\n"
    u8"本文\r\n"
    u8"@topic about 情報\n";

int ErrorLine(const std::string& source) {
    try {
        hlpc::ParseHelpSource(source);
    } catch (const hlpc::HelpSourceError& e) {
        return e.Line();
    }
    return 0;
}

TEST(HlpcSource, ParsesSettingsTopicsAndParagraphs) {
    hlpc::HelpProject project = hlpc::ParseHelpSource(U8(kSmall));
    EXPECT_EQ(project.title, "Ortholux ヘルプ");
    EXPECT_EQ(project.fontFace, "ＭＳ Ｐゴシック");
    EXPECT_EQ(project.copyright, "");
    ASSERT_EQ(project.topics.size(), 3u);
    EXPECT_EQ(project.topics[0].context, "contents");
    EXPECT_EQ(project.topics[0].title, "目次");
    EXPECT_EQ(project.topics[2].paragraphs.size(), 0u);

    const auto& paragraphs = project.topics[0].paragraphs;
    ASSERT_EQ(paragraphs.size(), 2u);  // blank lines separate, however many
    const auto& runs = paragraphs[0].runs;
    ASSERT_EQ(runs.size(), 5u);
    EXPECT_EQ(runs[0].kind, Run::Kind::Text);
    EXPECT_EQ(runs[0].text, "はじめに");
    EXPECT_EQ(runs[1].kind, Run::Kind::LineBreak);
    EXPECT_EQ(runs[2].kind, Run::Kind::Jump);
    EXPECT_EQ(runs[2].target, "open");
    EXPECT_EQ(runs[2].text, "図面を開く");
    EXPECT_EQ(runs[3].text, " と ");
    EXPECT_EQ(runs[4].target, "about");

    const auto& second = paragraphs[1].runs;
    ASSERT_EQ(second.size(), 3u);
    EXPECT_EQ(second[1].kind, Run::Kind::Tab);
    EXPECT_EQ(second[2].text, "タブ");
    EXPECT_EQ(project.topics[1].paragraphs.at(0).runs.at(0).text, "本文");  // CR dropped
}

TEST(HlpcSource, ReportsFaultsWithTheirLines) {
    const std::string head = U8(u8"title: T\nfont: F\n");
    EXPECT_EQ(ErrorLine(U8(u8"font: F\n@topic a A\n")), 3);  // no title, found at the end
    EXPECT_EQ(ErrorLine(U8(u8"title: T\n@topic a A\n")), 3);
    EXPECT_EQ(ErrorLine(head), 3);  // no topic
    EXPECT_EQ(ErrorLine(U8(u8"colour: red\n")), 1);
    EXPECT_EQ(ErrorLine(U8(u8"just text\n")), 1);
    EXPECT_EQ(ErrorLine(head + "@topic bad-name A\n"), 3);
    EXPECT_EQ(ErrorLine(head + "@topic onlyname\n"), 3);
    EXPECT_EQ(ErrorLine(head + "@topicx a A\n"), 3);
    EXPECT_EQ(ErrorLine(head + "@topic a A\n@topic A B\n"), 4);  // same hash, any case
    EXPECT_EQ(ErrorLine(head + "@topic a A\nsee [[a|here\n"), 4);
    EXPECT_EQ(ErrorLine(head + "@topic a A\nsee [[a]]\n"), 4);
    EXPECT_EQ(ErrorLine(head + "@topic a A\nsee [[a|]]\n"), 4);
    EXPECT_EQ(ErrorLine(head + "@topic a A\n\nsee [[nowhere|x]]\n@topic b B\n"), 5);
    EXPECT_EQ(ErrorLine(head + "@topic a A\n" + U8(u8"絵文字 ") + "\xF0\x9F\x98\x80\n"), 4);
    EXPECT_EQ(ErrorLine(head + "@topic a A\nbad \xff byte\n"), 4);
    EXPECT_EQ(ErrorLine(U8(u8"title: ") + std::string(51, 'x') + "\n"), 1);
    EXPECT_EQ(ErrorLine(U8(u8"font: ＭＳ Ｐゴシック体です\n")), 1);
}

// The shipped source: every topic is reachable from the contents topic.
TEST(HlpcSource, ShippedContentsLinksEveryTopic) {
    std::ifstream in(ORTHOLUX_HELP_SOURCE, std::ios::binary);
    ASSERT_TRUE(in) << ORTHOLUX_HELP_SOURCE;
    std::string source((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    hlpc::HelpProject project = hlpc::ParseHelpSource(source);
    ASSERT_GE(project.topics.size(), 6u);
    std::set<std::string> linked;
    for (const auto& paragraph : project.topics[0].paragraphs) {
        for (const auto& run : paragraph.runs) {
            if (run.kind == Run::Kind::Jump) linked.insert(run.target);
        }
    }
    for (std::size_t i = 1; i < project.topics.size(); ++i) {
        EXPECT_TRUE(linked.count(project.topics[i].context)) << project.topics[i].context;
    }
}

}  // namespace
