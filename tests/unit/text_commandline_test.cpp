#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/CommandLine.h"

namespace {

using Args = std::vector<std::string>;

TEST(CommandLine, ProgramPathIsNotAnArgument) {
    EXPECT_EQ(CommandLineArguments(""), Args{});
    EXPECT_EQ(CommandLineArguments("   "), Args{});
    EXPECT_EQ(CommandLineArguments("Ortholux.exe"), Args{});
    EXPECT_EQ(CommandLineArguments("  Ortholux.exe  a.dwg  b "), (Args{"a.dwg", "b"}));
    EXPECT_EQ(CommandLineArguments("\"C:\\Program Files\\Ortholux\\Ortholux.exe\" "
                                   "\"C:\\My Drawings\\plan.dwg\" second"),
              (Args{"C:\\My Drawings\\plan.dwg", "second"}));
    // Without quotes the space splits the program's own path too.
    EXPECT_EQ(CommandLineArguments("C:\\Program Files\\o.exe x"), (Args{"Files\\o.exe", "x"}));
}

TEST(CommandLine, QuotesMayStandAnywhereAndAreDropped) {
    EXPECT_EQ(CommandLineArguments("p a\"b c\"d e"), (Args{"ab cd", "e"}));
    EXPECT_EQ(CommandLineArguments("p C:\\\"My Drawings\"\\plan.dwg"),
              (Args{"C:\\My Drawings\\plan.dwg"}));
    EXPECT_EQ(CommandLineArguments("p a\"\"b"), (Args{"ab"}));
    // No escapes: a backslash before a quote is an ordinary byte.
    EXPECT_EQ(CommandLineArguments("p \"a\\\" b"), (Args{"a\\", "b"}));
    // An open quote runs to the end of the line.
    EXPECT_EQ(CommandLineArguments("p \"a b  c"), (Args{"a b  c"}));
    EXPECT_EQ(CommandLineArguments("p \" \""), (Args{" "}));
}

TEST(CommandLine, EmptyQuotedPairsWhereAnArgumentBeginsAreSkipped) {
    EXPECT_EQ(CommandLineArguments("p \"\" \"\" x"), (Args{"x"}));
    EXPECT_EQ(CommandLineArguments("p \"\"x"), (Args{"x"}));
    EXPECT_EQ(CommandLineArguments("\"\" p x"), (Args{"x"}));
    EXPECT_EQ(CommandLineArguments("p \"\""), Args{});
    EXPECT_EQ(CommandLineArguments("p a \""), (Args{"a"}));  // never an empty argument
}

TEST(CommandLine, ControlBytesAndSpacesSeparate) {
    EXPECT_EQ(CommandLineArguments("p\ta\001b\037 \r\nc"), (Args{"a", "b", "c"}));
    EXPECT_EQ(CommandLineArguments("p \"a\tb\""), (Args{"a\tb"}));
    // 0x21 and 0x7F are ordinary bytes, and so are Shift-JIS bytes, the full-width space too.
    EXPECT_EQ(CommandLineArguments("p !\x7F"), (Args{"!\x7F"}));
    EXPECT_EQ(CommandLineArguments("p 図面　表.dwg"), (Args{"図面　表.dwg"}));
    // A NUL ends the line as it ends the platform's string.
    EXPECT_EQ(CommandLineArguments(std::string_view("p a\0b", 5)), (Args{"a"}));
}

TEST(CommandLine, ArgumentsAreCutAt4096Bytes) {
    const std::string longArg(5000, 'a');
    const Args args = CommandLineArguments("p " + longArg + " next");
    ASSERT_EQ(args.size(), 2u);
    EXPECT_EQ(args[0], std::string(4096, 'a'));
    EXPECT_EQ(args[1], "next");

    // Dropped quotes do not count; the cut applies to the bytes kept.
    const std::string quoted = "\"" + std::string(4095, 'b') + "\"" + "cd";
    EXPECT_EQ(CommandLineArguments("p " + quoted), Args{std::string(4095, 'b') + "c"});
    EXPECT_EQ(CommandLineArguments("p " + std::string(4096, 'z')), Args{std::string(4096, 'z')});
}

}  // namespace
