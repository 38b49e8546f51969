// test, list and extract give one verdict on names: a name extract cannot
// make below an empty destination (not Shift-JIS, too long for the host,
// an empty level after a folder that exists, below a file or a folder
// that is not there) ends all three at the same item with the same words
// and exit code, and a name it can make passes all three.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/cli/run_corvane.h"
#include "tests/test_files.h"
#include "tests/unit/item_bytes.h"

namespace {

const Bytes kBodyA = {0xAE, 0x01};  // one literal "A"

struct Item {
  bool folder;
  std::string name;  // a folder's without its "\."
};

struct Case {
  const char* what;
  std::vector<Item> items;
  int exitCode;        // of all three
  const char* reason;  // in the message of a failure
};

// Every occurrence of `from` in s replaced by `to`.
std::string Replace(std::string s, const std::string& from, const std::string& to) {
  for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
    s.replace(at, from.size(), to);
  return s;
}

class NameVerdictsTest : public ::testing::Test {
 protected:
  std::string Archive(const Case& c) {
    Bytes items;
    for (const Item& it : c.items) {
      if (it.folder)
        AppendFolderEntry(&items, B(it.name + "\\."));
      else
        AppendFileEntry(&items, B(it.name), 1, 2, 3, 1, 0, 0, kBodyA);
    }
    ProgramFile p;
    p.blockStream = MakeBlockStream(items);
    std::string path = dir_ / "names.exe";
    WriteFileBytes(path, MakeProgramFile(p));
    return path;
  }
  TempDir dir_;
};

}  // namespace

TEST_F(NameVerdictsTest, TestListAndExtractAgree) {
  const std::string katakana100(100, '\xB1');  // ｱ: one byte here, three in UTF-8
  const std::vector<Case> cases = {
      {"names Windows makes",
       {{true, "a"}, {false, "a\\b.txt"}, {false, "a/c.txt"}, {false, "\x80\xA0\xFD.txt"},
        {false, "\x95\x5C\\x.txt"}, {false, "\x95\x5C\\y.txt"}, {false, "s/\\t.txt"}},
       0, ""},
      {"an empty level", {{false, "first.txt"}, {false, "a\\\\b.txt"}}, 4, "an empty level"},
      {"a slash level met again", {{false, "a/\\b.txt"}, {false, "a/\\c.txt"}}, 4,
       "an empty level"},
      {"a folder entry with an empty level", {{true, "p\\\\q"}}, 4, "an empty level"},
      {"a folder behind a slash that is not there", {{false, "x/y.txt"}}, 4,
       "No such file or directory"},
      {"a file in the way of a folder", {{false, "f"}, {false, "f\\g.txt"}}, 4,
       "a file of that name is in the way"},
      {"a lead byte at the end", {{false, "ok.txt"}, {false, "bad\x81"}}, 4,
       "not valid Shift-JIS"},
      {"a row code page 932 leaves empty", {{true, "d\x85\x40"}}, 4, "not valid Shift-JIS"},
      {"a level too long for the host", {{false, katakana100 + ".txt"}}, 4, "File name too long"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string a = Archive(c);
    std::string out = dir_ / ("out-" + std::to_string(&c - &cases[0]));
    RunResult x = RunCorvane({"extract", a, "-d", out});
    RunResult t = RunCorvane({"test", a});
    RunResult l = RunCorvane({"list", a});
    RunResult j = RunCorvane({"list", "--json", a});
    EXPECT_EQ(x.exitCode, c.exitCode) << x.err;
    EXPECT_EQ(t.exitCode, c.exitCode) << t.err;
    EXPECT_EQ(l.exitCode, c.exitCode) << l.err;
    EXPECT_EQ(j.exitCode, c.exitCode) << j.err;
    if (c.exitCode == 0) continue;
    EXPECT_NE(x.err.find(c.reason), std::string::npos) << x.err;
    // The same message, without the destination that extract names.
    std::string extractSays = Replace(x.err, out + "/", "");
    EXPECT_EQ(t.err, extractSays);
    EXPECT_EQ(l.err, extractSays);
    EXPECT_EQ(j.err, extractSays);
    EXPECT_NE(j.out.find("\"complete\": false"), std::string::npos) << j.out;
  }
}
