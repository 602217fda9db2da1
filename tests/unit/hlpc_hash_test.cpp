// Context-name hashes: the values a jump and |CONTEXT must agree on with the help engine.
// Expected numbers are worked out by hand from the published rule (hash * 43 + code).
#include <gtest/gtest.h>

#include <string>

#include "ContextHash.h"

namespace {

TEST(HlpcContextHash, SingleCharactersUseTheEngineCodes) {
    EXPECT_EQ(hlpc::ContextHash("1"), 1);
    EXPECT_EQ(hlpc::ContextHash("9"), 9);
    EXPECT_EQ(hlpc::ContextHash("0"), 10);
    EXPECT_EQ(hlpc::ContextHash("."), 12);
    EXPECT_EQ(hlpc::ContextHash("_"), 13);
    EXPECT_EQ(hlpc::ContextHash("A"), 17);
    EXPECT_EQ(hlpc::ContextHash("Z"), 42);
}

TEST(HlpcContextHash, LettersIgnoreCase) {
    EXPECT_EQ(hlpc::ContextHash("a"), 17);
    EXPECT_EQ(hlpc::ContextHash("Window_Size"), hlpc::ContextHash("window_size"));
}

TEST(HlpcContextHash, MultipliesBy43PerCharacter) {
    EXPECT_EQ(hlpc::ContextHash("AB"), 17 * 43 + 18);
    // i=25 d=20 h=24 _=13 1=1: ((((25*43+20)*43+24)*43+13)*43+1
    EXPECT_EQ(hlpc::ContextHash("idh_1"), 87105101);
    EXPECT_EQ(hlpc::ContextHash("open"), 2524818);
}

TEST(HlpcContextHash, WrapsAt32Bits) {
    // 23899187247329644674 mod 2^32 = 2577469570, read as a signed 32-bit number.
    EXPECT_EQ(hlpc::ContextHash("introduction"), -1717497726);
    EXPECT_EQ(hlpc::ContextHash("contents"), 636769674);
}

TEST(HlpcContextHash, ValidNamesAreTheHashableSet) {
    EXPECT_TRUE(hlpc::IsValidContextName("contents"));
    EXPECT_TRUE(hlpc::IsValidContextName("window_size.2"));
    EXPECT_TRUE(hlpc::IsValidContextName(std::string(255, 'a')));
    EXPECT_FALSE(hlpc::IsValidContextName(""));
    EXPECT_FALSE(hlpc::IsValidContextName(std::string(256, 'a')));
    EXPECT_FALSE(hlpc::IsValidContextName("two words"));
    EXPECT_FALSE(hlpc::IsValidContextName("a-b"));
    EXPECT_FALSE(hlpc::IsValidContextName("\x96\xda\x8e\x9f"));  // Shift-JIS 目次
}

}  // namespace
