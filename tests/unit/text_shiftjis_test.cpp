// Shift-JIS path helpers. ソ (0x83 0x5C) and 表 (0x95 0x5C) end in the byte of "\".
#include <gtest/gtest.h>

#include <string>

#include "text/ControlEscape.h"
#include "text/ShiftJis.h"

namespace {

TEST(ShiftJis, LiteralsCompileToShiftJisBytes) {
    EXPECT_EQ(std::string("ソ"), "\x83\x5C");
    EXPECT_EQ(std::string("表"), "\x95\x5C");
}

TEST(ShiftJis, LeadByteRanges) {
    EXPECT_FALSE(IsLeadByte(0x80));
    EXPECT_TRUE(IsLeadByte(0x81));
    EXPECT_TRUE(IsLeadByte(0x9F));
    EXPECT_FALSE(IsLeadByte(0xA0));  // half-width katakana are single bytes
    EXPECT_FALSE(IsLeadByte(0xDF));
    EXPECT_TRUE(IsLeadByte(0xE0));
    EXPECT_TRUE(IsLeadByte(0xFC));
    EXPECT_FALSE(IsLeadByte(0xFD));
    EXPECT_FALSE(IsLeadByte('\\'));
}

TEST(ShiftJis, CharStartsFollowTheTextFromItsBeginning) {
    const std::string text = "a表表b";  // a 95 5C 95 5C b
    EXPECT_TRUE(IsCharStart(text, 0));
    EXPECT_TRUE(IsCharStart(text, 1));
    EXPECT_FALSE(IsCharStart(text, 2));
    EXPECT_TRUE(IsCharStart(text, 3));
    EXPECT_FALSE(IsCharStart(text, 4));
    EXPECT_TRUE(IsCharStart(text, 5));
    EXPECT_TRUE(IsCharStart(text, 6));  // the end
    // A lead byte at the very end stands alone.
    EXPECT_TRUE(IsCharStart("a\x95", 1));
    EXPECT_TRUE(IsCharStart("a\x95", 2));
}

TEST(ShiftJis, LastSeparatorSkipsTrailBytes) {
    EXPECT_EQ(LastSeparator("C:\\表"), 2u);
    EXPECT_EQ(LastSeparator("C:\\ソ\\x"), 5u);
    EXPECT_EQ(LastSeparator("C:x"), 1u);
    EXPECT_EQ(LastSeparator("表ソ"), std::string::npos);
    EXPECT_EQ(LastSeparator(""), std::string::npos);
}

TEST(ShiftJis, DirectoryPart) {
    EXPECT_EQ(ExtractFileDir("C:\\a\\b.dwg"), "C:\\a");
    EXPECT_EQ(ExtractFileDir("C:\\b.dwg"), "C:\\");
    EXPECT_EQ(ExtractFileDir("\\\\srv\\f"), "\\\\srv");
    EXPECT_EQ(ExtractFileDir("C:b.dwg"), "C:");
    EXPECT_EQ(ExtractFileDir("\\b.dwg"), "\\");
    EXPECT_EQ(ExtractFileDir("b.dwg"), "");
    EXPECT_EQ(ExtractFileDir(""), "");
    EXPECT_EQ(ExtractFileDir("\\\\f"), "\\\\");
    EXPECT_EQ(ExtractFileDir("C:\\a\\"), "C:\\a");
}

TEST(ShiftJis, DirectoryPartWithTrailByteBackslashes) {
    EXPECT_EQ(ExtractFileDir("C:\\表\\b.dwg"), "C:\\表");
    EXPECT_EQ(ExtractFileDir("C:\\ソ\\b.dwg"), "C:\\ソ");
    EXPECT_EQ(ExtractFileDir("C:\\表"), "C:\\");
    EXPECT_EQ(ExtractFileDir("表"), "");
    // The "\" after 表 is an ordinary separator: the trail byte before it is no root.
    EXPECT_EQ(ExtractFileDir("表\\b"), "表");
    EXPECT_EQ(ExtractFileDir("C:\\ソ\\"), "C:\\ソ");
}

TEST(ShiftJis, FileNameTitleAndExtension) {
    EXPECT_EQ(ExtractFileName("C:\\x\\PLAN-A.DWG"), "PLAN-A.DWG");
    EXPECT_EQ(ExtractFileName("C:PLAN.DWG"), "PLAN.DWG");
    EXPECT_EQ(ExtractFileName("C:\\x\\"), "");
    EXPECT_EQ(ExtractFileName("C:\\図面\\表"), "表");
    EXPECT_EQ(ExtractFileName("plain"), "plain");

    EXPECT_EQ(ExtractFileTitle("C:\\x\\PLAN-A.DWG"), "PLAN-A");
    EXPECT_EQ(ExtractFileTitle("C:\\x\\a.tar.gz"), "a.tar");
    EXPECT_EQ(ExtractFileTitle("C:\\x.d\\noext"), "noext");
    EXPECT_EQ(ExtractFileTitle("C:\\ソ\\表.dwg"), "表");

    EXPECT_EQ(ExtractFileExt("C:\\x\\PLAN-A.DWG"), ".DWG");
    EXPECT_EQ(ExtractFileExt("C:\\a.b\\file"), "");
    EXPECT_EQ(ExtractFileExt("a.dwg:x"), "");
    EXPECT_EQ(ExtractFileExt("a."), ".");
    // The 0x5C inside 表 does not end the extension.
    EXPECT_EQ(ExtractFileExt("a.b表"), ".b表");
}

TEST(ShiftJis, ChangeFileExt) {
    EXPECT_EQ(ChangeFileExt("C:\\p\\Ortholux.exe", ".hlp"), "C:\\p\\Ortholux.hlp");
    EXPECT_EQ(ChangeFileExt("C:\\a.b\\prog", ".hlp"), "C:\\a.b\\prog.hlp");
    EXPECT_EQ(ChangeFileExt("C:\\表", ".hlp"), "C:\\表.hlp");
    EXPECT_EQ(ChangeFileExt("x.a.b", ""), "x.a");
}

TEST(ShiftJis, EndsWithSeparator) {
    EXPECT_TRUE(EndsWithSeparator("C:\\"));
    EXPECT_TRUE(EndsWithSeparator("C:\\表\\"));
    EXPECT_FALSE(EndsWithSeparator("C:\\表"));
    EXPECT_FALSE(EndsWithSeparator("C:\\ソ"));
    EXPECT_FALSE(EndsWithSeparator("C:"));
    EXPECT_FALSE(EndsWithSeparator(""));
}

TEST(ShiftJis, DrawingFileTest) {
    EXPECT_TRUE(IsDrawingFileName("C:\\x\\plan.dwg"));
    EXPECT_TRUE(IsDrawingFileName("C:\\x\\PLAN.DWG"));
    EXPECT_TRUE(IsDrawingFileName("plan.Dwg"));
    EXPECT_TRUE(IsDrawingFileName("C:.dWG"));
    EXPECT_TRUE(IsDrawingFileName("C:\\表\\図面.dwg"));
    EXPECT_FALSE(IsDrawingFileName("x.dwg.bak"));
    EXPECT_FALSE(IsDrawingFileName("dir.dwg\\file"));
    EXPECT_FALSE(IsDrawingFileName("C:\\x\\plan.txt"));
    EXPECT_FALSE(IsDrawingFileName("C:\\x\\plan"));
    EXPECT_FALSE(IsDrawingFileName("plan.dwgx"));
    EXPECT_FALSE(IsDrawingFileName("plan .dwg "));
    EXPECT_FALSE(IsDrawingFileName("C:\\x\\図面"));
    EXPECT_FALSE(IsDrawingFileName("a.dwgソ"));
    EXPECT_FALSE(IsDrawingFileName(""));
}

}  // namespace

// What the tools print of a path: on Windows "\" separators and double-byte characters stay
// whole (表 ends in 0x5C); control bytes never pass, not even after a lead byte.
TEST(ControlEscape, BytesAndShiftJisPaths) {
    const struct {
        const char* text;
        const char* bytes;
        const char* path;
    } rows[] = {
        {"C:\\図面\\表.dwg", "C:\\x5C\x90}\x96\xCA\\x5C\x95\\x5C.dwg", "C:\\図面\\表.dwg"},
        {"a\nb\x1B[2J\x7F", "a\\x0Ab\\x1B[2J\\x7F", "a\\x0Ab\\x1B[2J\\x7F"},
        {"\x95\n", "\x95\\x0A", "\x95\\x0A"},  // a lead byte before a line break
        {"\x95\\\\", "\x95\\x5C\\x5C", "\x95\\\\"},  // 表 then a separator
    };
    for (const auto& row : rows) {
        EXPECT_EQ(EscapeControls(row.text), row.bytes) << row.text;
        EXPECT_EQ(EscapeControls(row.text, EscapeStyle::ShiftJisPath), row.path) << row.text;
    }
}

TEST(RelativePath, OnlyPathsWithoutARootDependOnTheCurrentDirectory) {
    for (const char* relative : {"PLAN.DWG", "sub\\PLAN.DWG", "..\\PLAN.DWG", "C:PLAN.DWG",
                                 "表\\PLAN.DWG"}) {
        EXPECT_TRUE(IsRelativePath(relative)) << relative;
    }
    for (const char* rooted : {"C:\\PLAN.DWG", "\\PLAN.DWG", "\\\\srv\\share\\PLAN.DWG", "",
                               "Z:\\表\\PLAN.DWG"}) {
        EXPECT_FALSE(IsRelativePath(rooted)) << rooted;
    }
}
