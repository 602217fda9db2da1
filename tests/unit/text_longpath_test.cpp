// Long-path expansion against a fake file system that records every look-up.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "text/LongPath.h"

namespace {

class FakeFiles : public FileLookup {
  public:
    explicit FakeFiles(std::map<std::string, std::string> names) : names_(std::move(names)) {}

    std::optional<std::string> FindFirstName(const std::string& pattern) override {
        lookups.push_back(pattern);
        const auto it = names_.find(pattern);
        if (it == names_.end()) return std::nullopt;
        return it->second;
    }

    std::vector<std::string> lookups;

  private:
    std::map<std::string, std::string> names_;
};

using Lookups = std::vector<std::string>;
using Names = std::map<std::string, std::string>;

TEST(LongPath, ExpandsEveryComponentFromTheDriveDown) {
    FakeFiles files(Names{{"C:\\PROGRA~1", "Program Files"},
                          {"C:\\PROGRA~1\\DRAWIN~1", "Drawings"},
                          {"C:\\PROGRA~1\\DRAWIN~1\\PLAN~1.DWG", "Plan one.dwg"}});
    EXPECT_EQ(ExpandLongPath("C:\\PROGRA~1\\DRAWIN~1\\PLAN~1.DWG", files),
              "C:\\Program Files\\Drawings\\Plan one.dwg");
    EXPECT_EQ(files.lookups, (Lookups{"C:\\PROGRA~1\\DRAWIN~1\\PLAN~1.DWG",
                                      "C:\\PROGRA~1\\DRAWIN~1", "C:\\PROGRA~1"}));
}

TEST(LongPath, DrivesAndEmptyPathsNeedNoLookUp) {
    FakeFiles files(Names{{"C:", "never"}, {"C:\\", "never"}});
    EXPECT_EQ(ExpandLongPath("", files), "");
    EXPECT_EQ(ExpandLongPath("C:\\", files), "C:");
    EXPECT_EQ(ExpandLongPath("C:", files), "C:");
    EXPECT_EQ(ExpandLongPath("\\", files), "");
    EXPECT_TRUE(files.lookups.empty());
}

TEST(LongPath, TrailingSeparatorIsDropped) {
    FakeFiles files(Names{{"C:\\DOCUME~1", "Documents"}});
    EXPECT_EQ(ExpandLongPath("C:\\DOCUME~1\\", files), "C:\\Documents");
    EXPECT_EQ(files.lookups, Lookups{"C:\\DOCUME~1"});
    // Only one separator goes.
    FakeFiles none(Names{});
    EXPECT_EQ(ExpandLongPath("C:\\x\\\\", none), "C:\\x\\");
}

TEST(LongPath, MissingFileComesBackUnchanged) {
    FakeFiles files(Names{{"C:\\PROGRA~1", "Program Files"}});
    EXPECT_EQ(ExpandLongPath("C:\\PROGRA~1\\GONE.DWG", files), "C:\\PROGRA~1\\GONE.DWG");
    EXPECT_EQ(files.lookups, Lookups{"C:\\PROGRA~1\\GONE.DWG"});
}

TEST(LongPath, ComponentsBelowAMissingOneAreStillExpanded) {
    FakeFiles files(Names{{"C:\\HIDDEN~1\\SUB~1", "Sub folder"},
                          {"C:\\HIDDEN~1\\SUB~1\\PLAN~1.DWG", "Plan.dwg"}});
    EXPECT_EQ(ExpandLongPath("C:\\HIDDEN~1\\SUB~1\\PLAN~1.DWG", files),
              "C:\\HIDDEN~1\\Sub folder\\Plan.dwg");
}

TEST(LongPath, TrailByteBackslashesAreNotSeparators) {
    FakeFiles files(Names{{"C:\\表", "表"},
                          {"C:\\表\\PLAN~1.DWG", "Plan one.dwg"},
                          {"C:\\表\\ソ", "ソ"},
                          {"C:\\表\\ソ\\A~1.DWG", "a long.dwg"}});
    EXPECT_EQ(ExpandLongPath("C:\\表\\PLAN~1.DWG", files), "C:\\表\\Plan one.dwg");
    EXPECT_EQ(files.lookups, (Lookups{"C:\\表\\PLAN~1.DWG", "C:\\表"}));

    files.lookups.clear();
    EXPECT_EQ(ExpandLongPath("C:\\表\\ソ\\A~1.DWG", files), "C:\\表\\ソ\\a long.dwg");
    EXPECT_EQ(files.lookups, (Lookups{"C:\\表\\ソ\\A~1.DWG", "C:\\表\\ソ", "C:\\表"}));

    // A folder name ending in ソ keeps its last byte; the separator after it goes.
    files.lookups.clear();
    EXPECT_EQ(ExpandLongPath("C:\\表\\ソ", files), "C:\\表\\ソ");
    EXPECT_EQ(ExpandLongPath("C:\\表\\ソ\\", files), "C:\\表\\ソ");
    EXPECT_EQ(files.lookups, (Lookups{"C:\\表\\ソ", "C:\\表", "C:\\表\\ソ", "C:\\表"}));
}

TEST(LongPath, NetworkShareRootStaysAsWritten) {
    FakeFiles files(Names{{"\\\\server\\share\\PLAN~1.DWG", "Plan one.dwg"}});
    EXPECT_EQ(ExpandLongPath("\\\\server\\share\\PLAN~1.DWG", files),
              "\\\\server\\share\\Plan one.dwg");
    EXPECT_EQ(files.lookups, (Lookups{"\\\\server\\share\\PLAN~1.DWG", "\\\\server\\share"}));
}

TEST(LongPath, PatternsTakeTheFirstMatchingName) {
    FakeFiles files(Names{{"C:\\*.dwg", "first.dwg"}});
    EXPECT_EQ(ExpandLongPath("C:\\*.dwg", files), "C:\\first.dwg");
}

TEST(LongPath, RelativePathsStayRelative) {
    FakeFiles files(Names{{"PLAN~1.DWG", "Plan.dwg"},
                          {"SUB~1", "Sub"},
                          {"SUB~1\\PLAN~1.DWG", "Plan.dwg"},
                          {"C:PLAN~1.DWG", "Plan.dwg"},
                          {"\\PLAN~1.DWG", "Plan.dwg"}});
    EXPECT_EQ(ExpandLongPath("PLAN~1.DWG", files), "Plan.dwg");
    EXPECT_EQ(ExpandLongPath("SUB~1\\PLAN~1.DWG", files), "Sub\\Plan.dwg");
    EXPECT_EQ(ExpandLongPath("C:PLAN~1.DWG", files), "C:Plan.dwg");
    // Rooted on the current drive: the root stays.
    EXPECT_EQ(ExpandLongPath("\\PLAN~1.DWG", files), "\\Plan.dwg");
}

TEST(LongPath, PathEndingInColonDoesNotRecurseForever) {
    FakeFiles files(Names{{"AB:", "x"}, {"C:\\D:", "y"}});
    EXPECT_EQ(ExpandLongPath("AB:", files), "AB:");
    EXPECT_EQ(ExpandLongPath("C:\\D:", files), "C:\\D:");
}

}  // namespace
