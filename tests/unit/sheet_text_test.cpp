// The contact sheet's texts: names shown readably, linked from their raw bytes.
#include <gtest/gtest.h>

#include "SheetPage.h"
#include "SheetText.h"

namespace {

TEST(SheetText, EscapingForHtmlAndUrls) {
    EXPECT_EQ(HtmlEscape("a \"<b>\" & 'c'"), "a &quot;&lt;b&gt;&quot; &amp; &#39;c&#39;");
    EXPECT_EQ(PercentEncodePath("sub/a \"<>&#?%.dwg"), "sub/a%20%22%3C%3E%26%23%3F%25.dwg");
    EXPECT_EQ(PercentEncodePath("x:y-._~Z9"), "x%3Ay-._~Z9");  // no scheme out of a name
    EXPECT_EQ(PercentEncodePath("\xE5\x9B\xB3\x83\x65"), "%E5%9B%B3%83e");
    EXPECT_EQ(DrawingHref("/d/x y/p#1.dwg", "/d/sheet"), "../x%20y/p%231.dwg");
    EXPECT_EQ(DrawingHref("/d/sheet/../a.dwg", "/d/sheet/"), "../a.dwg");
}

TEST(SheetText, NamesInAnyEncodingReadably) {
    // UTF-8 as it is, Shift-JIS converted (テスト), anything else escaped byte by byte.
    EXPECT_EQ(TextForPage("\xE5\x9B\xB3.dwg"), "\xE5\x9B\xB3.dwg");
    EXPECT_EQ(TextForPage("\x83\x65\x83\x58\x83\x67.dwg"),
              "\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88.dwg");
    EXPECT_EQ(TextForPage("caf\xE9.dwg"), "caf\\xE9.dwg");
    EXPECT_EQ(TextForPage("\xED\xA0\x80"), "\\xED\\xA0\\x80");  // a surrogate: not UTF-8
    EXPECT_EQ(TextForPage("a\nb\x7F"), "a\\x0Ab\\x7F");         // no line breaks into the page
    // Each part of a path on its own: a Shift-JIS name in a UTF-8 folder.
    EXPECT_EQ(PathForPage("\xE5\x9B\xB3/\x83\x65.dwg"), "\xE5\x9B\xB3/\xE3\x83\x86.dwg");
    EXPECT_EQ(ShiftJisToUtf8("\x83\x65"), "\xE3\x83\x86");
}

}  // namespace
