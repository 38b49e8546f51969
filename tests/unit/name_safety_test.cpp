// The names that stay inside the destination and those that leave it.
#include <gtest/gtest.h>

#include "paths/name_safety.h"

TEST(NameSafety, NamesThatStayInsideAreFine) {
  for (const char* name : {"a\\b\\c.txt", "a\\.", ".", "x..y", "..x", "a\\...b\\c",
                           "\x95\x5C\\\x83\x5C.txt",  // 表\ソ.txt
                           "a\\ .\\b", "con.txt", "LPT0", "COM10"}) {
    EXPECT_EQ(UnsafeNameReason(name), nullptr) << name;
  }
}

TEST(NameSafety, NamesThatClimbOrJumpAreRefused) {
  for (const char* name : {"..", "..\\evil", "a\\..\\..\\evil", "a\\..", "a/../../evil",
                           ".. \\evil", "...\\evil", ". .\\evil", "a\\.. .", "\\evil",
                           "\\\\server\\share\\x", "/etc/passwd", "C:evil", "C:\\evil",
                           "a\\b:stream", "dir\\x:$DATA"}) {
    EXPECT_NE(UnsafeNameReason(name), nullptr) << name;
  }
}

TEST(NameSafety, ADoubleByteTailIsNoSeparator) {
  // "表.." is one component "表.." (0x95 0x5C is one character), which is
  // not made only of dots; a real separator after 表 does climb.
  EXPECT_EQ(UnsafeNameReason("\x95\x5C.."), nullptr);
  EXPECT_NE(UnsafeNameReason("\x95\x5C\\.."), nullptr);  // 表\..
}
