// The help as one HTML page: topics as anchors, jumps as in-page links, texts escaped and in
// UTF-8 (the help file itself carries Shift-JIS).
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "HelpSource.h"
#include "HtmlPage.h"

namespace {

std::string U8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

std::string Page(const char8_t* source) {
    return hlpc::BuildHtmlPage(hlpc::ParseHelpSource(U8(source)));
}

// The quoted values that follow each `opening` (such as `<a href="#`) in the page.
std::set<std::string> All(const std::string& page, const std::string& opening) {
    std::set<std::string> found;
    for (auto at = page.find(opening); at != std::string::npos; at = page.find(opening, at)) {
        at += opening.size();
        found.insert(page.substr(at, page.find('"', at) - at));
    }
    return found;
}

TEST(HtmlPage, TopicsAreAnchorsAndJumpsLinkToThem) {
    const std::string page = Page(
        u8"title: 手引き\nfont: ＭＳ Ｐゴシック\ncopyright: 著作 2026\n"
        u8"@topic contents 目次\n[[open|開く]] と [[about.box|情報]]\n"
        u8"@topic open 図面を開く\n一行目\n二行目\n\n次\tタブ\n"
        u8"@topic about.box 情報\n");
    EXPECT_EQ(page.rfind("<!DOCTYPE html>", 0), 0u);
    EXPECT_NE(page.find("<meta charset=\"utf-8\">"), std::string::npos);
    EXPECT_NE(page.find(U8(u8"<title>手引き</title>")), std::string::npos);
    EXPECT_EQ(page.find("<script"), std::string::npos);

    EXPECT_EQ(All(page, "<section id=\""),
              (std::set<std::string>{"contents", "open", "about.box"}));
    EXPECT_EQ(All(page, "<a href=\"#"), (std::set<std::string>{"open", "about.box"}));
    // Topics in source order, the contents topic first as the page's heading.
    const auto contents = page.find(U8(u8"<h1>目次</h1>"));
    const auto open = page.find(U8(u8"<h2>図面を開く</h2>"));
    const auto about = page.find(U8(u8"<h2>情報</h2>"));
    ASSERT_NE(contents, std::string::npos);
    EXPECT_LT(contents, open);
    EXPECT_LT(open, about);
    EXPECT_NE(page.find(U8(u8"<a href=\"#open\">開く</a>")), std::string::npos);
    // Lines of a paragraph are kept apart; a tab stop stays a column.
    EXPECT_NE(page.find(U8(u8"<p>一行目<br>\n二行目</p>")), std::string::npos);
    EXPECT_NE(page.find(U8(u8"<p>次<span class=\"tab\"></span>タブ</p>")), std::string::npos);
    EXPECT_NE(page.find(U8(u8"<footer>著作 2026</footer>")), std::string::npos);
}

TEST(HtmlPage, MarkupInTextsIsEscaped) {
    const std::string page = Page(
        u8"title: a<b>&\"c'\nfont: x\n@topic contents <i>見出し</i>\n"
        u8"1 < 2 && \"引用\" 'x' [[contents|<戻る>]]\n");
    EXPECT_NE(page.find("<title>a&lt;b&gt;&amp;&quot;c&#39;</title>"), std::string::npos);
    EXPECT_NE(page.find(U8(u8"<h1>&lt;i&gt;見出し&lt;/i&gt;</h1>")), std::string::npos);
    EXPECT_NE(page.find(U8(u8"1 &lt; 2 &amp;&amp; &quot;引用&quot; &#39;x&#39; ")),
              std::string::npos);
    EXPECT_NE(page.find(U8(u8"<a href=\"#contents\">&lt;戻る&gt;</a>")), std::string::npos);
    EXPECT_EQ(page.find("<i>"), std::string::npos);
}

TEST(HtmlPage, TextComesBackAsTheSourcesUtf8) {
    // Characters whose Shift-JIS form holds 0x5C, half-width katakana, full-width forms.
    const std::string text = U8(u8"ソ表能 ｶﾀｶﾅ ＭＳ Ｐゴシック　①");
    const std::string page =
        Page((u8"title: t\nfont: f\n@topic contents c\n" + std::u8string(text.begin(), text.end()) +
              u8"\n").c_str());
    EXPECT_NE(page.find("<p>" + text + "</p>"), std::string::npos);
}

TEST(HtmlPage, TheViewersHelpHasEveryTopicAndNoDeadLink) {
    std::ifstream in(ORTHOLUX_HELP_SOURCE, std::ios::binary);
    ASSERT_TRUE(in) << ORTHOLUX_HELP_SOURCE;
    const std::string source((std::istreambuf_iterator<char>(in)), {});
    const hlpc::HelpProject project = hlpc::ParseHelpSource(source);
    const std::string page = hlpc::BuildHtmlPage(project);
    const auto ids = All(page, "<section id=\"");
    EXPECT_EQ(ids.size(), project.topics.size());
    const auto links = All(page, "<a href=\"#");
    EXPECT_FALSE(links.empty());
    for (const auto& link : links) EXPECT_TRUE(ids.count(link)) << link;
}

}  // namespace
