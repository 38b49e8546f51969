// The shell pattern matcher, which every host uses, held to the C
// library's fnmatch without flags (the C locale, as corvane runs).
#include <fnmatch.h>

#include <random>
#include <string>

#include <gtest/gtest.h>

#include "writer/name_patterns.h"

namespace {

bool Glibc(const std::string& pattern, const std::string& name) {
  return fnmatch(pattern.c_str(), name.c_str(), 0) == 0;
}

TEST(ShellPattern, AgreesWithFnmatchOnWrittenCases) {
  const char* patterns[] = {"*",      "*.txt",     "a?c",     "[abc]*",  "[!abc]x",  "[^a]",
                            "[]]",    "[!]]",      "[a-c]z",  "[z-a]",   "\\*",      "a\\",
                            "[",      "a[b",       "[[:digit:]]*", "[[:alpha:][:digit:]]",
                            "*/b",    "a*b*c",     "**",      "[a-]",    "[\\]]",    "dir/*",
                            "\xe8\xa1\xa8*", "?\x81",  "[\x80-\xff]*"};
  const char* names[] = {"",      "a",     "abc",   "x.txt", "dx",    "]",     "-",
                         "a/b",   "abbc",  "abcbc", "*",     "a\\",   "[",     "a[b",
                         "9z",    "cz",    "dir/x", "dir/x/y", "\xe8\xa1\xa8.txt", "z\x81"};
  for (const char* p : patterns)
    for (const char* n : names)
      EXPECT_EQ(ShellPatternMatches(p, n), Glibc(p, n))
          << "pattern '" << p << "' name '" << n << "'";
}

// Random patterns over a small alphabet, so that stars, brackets and
// escapes meet each other often.
TEST(ShellPattern, AgreesWithFnmatchOnRandomCases) {
  std::mt19937 random(16);
  const std::string patternChars = "ab/*?[]!-\\^:";
  const std::string nameChars = "ab/-]![\\";
  for (int i = 0; i < 200000; i++) {
    std::string pattern, name;
    int pl = (int)(random() % 8), nl = (int)(random() % 8);
    for (int k = 0; k < pl; k++) pattern += patternChars[random() % patternChars.size()];
    for (int k = 0; k < nl; k++) name += nameChars[random() % nameChars.size()];
    ASSERT_EQ(ShellPatternMatches(pattern, name), Glibc(pattern, name))
        << "pattern '" << pattern << "' name '" << name << "'";
  }
}

}  // namespace
