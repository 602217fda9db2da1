// The thumbnailer's INPUT: plain paths and local file:// URIs.
#include <gtest/gtest.h>

#include "FileUri.h"

namespace {

TEST(FileUri, PlainPathsPassUnchanged) {
    EXPECT_EQ(PathFromArgument("/tmp/a b%20.dwg"), "/tmp/a b%20.dwg");
    EXPECT_EQ(PathFromArgument("relative/x.dwg"), "relative/x.dwg");
    EXPECT_EQ(PathFromArgument("c:x.dwg"), "c:x.dwg");  // not a URI: no "/" after the colon
}

TEST(FileUri, EscapesAreDecodedByteForByte) {
    EXPECT_EQ(PathFromArgument("file:///tmp/a%20b.dwg"), "/tmp/a b.dwg");
    EXPECT_EQ(PathFromArgument("file:///tmp/%E5%9B%B3%E9%9D%A2.DWG"),
              "/tmp/\xE5\x9B\xB3\xE9\x9D\xA2.DWG");  // UTF-8
    // Shift-JIS bytes, not UTF-8: kept as they are.
    EXPECT_EQ(PathFromArgument("file:///d/%90%7d%96%ca.dwg"), "/d/\x90}\x96\xca.dwg");
    EXPECT_EQ(PathFromArgument("FILE://localhost/x%2fy"), "/x/y");
    EXPECT_EQ(PathFromArgument("file:/short/form.dwg"), "/short/form.dwg");
}

TEST(FileUri, RefusesWhatIsNotALocalFile) {
    EXPECT_EQ(PathFromArgument("http://example.com/a.dwg"), std::nullopt);
    EXPECT_EQ(PathFromArgument("file://server/share/a.dwg"), std::nullopt);
    EXPECT_EQ(PathFromArgument("file://host-only"), std::nullopt);
    EXPECT_EQ(PathFromArgument("file:///a.dwg?x=1"), std::nullopt);
    EXPECT_EQ(PathFromArgument("file:///a%2"), std::nullopt);  // cut escape
    EXPECT_EQ(PathFromArgument("file:///a%zz.dwg"), std::nullopt);
    EXPECT_EQ(PathFromArgument("file:///a%00b.dwg"), std::nullopt);  // would cut the path
}

}  // namespace
