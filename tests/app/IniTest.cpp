#include <gtest/gtest.h>

#include "app/settings/Ini.h"

using namespace hx;

TEST(Ini, KeepsFileOrderDuplicatesAndTheTextAfterTheFirstEqualsSign) {
    const IniFile ini = ParseIni("\xEF\xBB\xBF[A]\r\nk = 1\r\n ; comment = no\r\nk=2\r\n  x =  a = b  \r\n"
                                 "[ B ]\nlone line\n= no name\n");
    ASSERT_EQ(ini.groups.size(), 2u);
    EXPECT_EQ(ini.groups[0].name, "A");  // the byte order mark does not stick to the first group
    ASSERT_EQ(ini.groups[0].keys.size(), 3u);
    EXPECT_EQ(ini.groups[0].keys[1].value, "2");
    EXPECT_EQ(ini.groups[0].keys[2].name, "x");
    EXPECT_EQ(ini.groups[0].keys[2].value, "a = b  ");  // trailing blanks are part of the value
    EXPECT_EQ(ini.groups[1].name, "B");
    EXPECT_TRUE(ini.groups[1].keys.empty());
    ASSERT_NE(ini.value("a", "K"), nullptr);
    EXPECT_EQ(*ini.value("a", "K"), "1");  // the first occurrence when looked up
    EXPECT_EQ(ini.find("a", true), nullptr);
}

TEST(Ini, WriterUsesCrLfAndSpacedEqualsSigns) {
    IniWriter out;
    out.group("G");
    out.key("N", int64_t{-5});
    out.key("S", "text");
    EXPECT_EQ(out.text(), "[G]\r\nN = -5\r\nS = text\r\n");
}
