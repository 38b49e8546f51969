// Archives whose item names would write outside the destination folder,
// extracted by the stub under Wine: each is refused as damaged, the file
// before it stays, and nothing appears where the name pointed.
#include <filesystem>

#include "tests/unit/item_bytes.h"
#include "tests/wine/stub_test.h"

namespace fs = std::filesystem;

namespace {

const Bytes kBodyA = {0xAE, 0x01};  // one literal "A"

class HostileStubTest : public StubTest {
 protected:
  // The real stub followed by a hand-made item stream: a good file, then
  // the hostile name.
  std::string ArchiveWith(const std::string& hostileName) {
    Bytes items;
    AppendFileEntry(&items, B("good.txt"), 1, 2, FileTimeOf(1500000000), 1, 0, 0, kBodyA);
    AppendFileEntry(&items, B(hostileName), 1, 2, FileTimeOf(1500000000), 1, 0, 0, kBodyA);
    ProgramFile p;
    p.blockStream = MakeBlockStream(items);
    Bytes program = MakeProgramFile(p);
    Bytes stub = ReadFileBytes(STUB_FILE);
    std::copy(stub.begin(), stub.end(), program.begin());
    std::string path = dir_ / "hostile.exe";
    WriteFileBytes(path, program);
    return path;
  }
};

TEST_F(HostileStubTest, NamesLeavingTheDestinationAreDamageAndWriteNothingThere) {
  // Where each name would have written, on the Linux side of Z:.
  const std::string out = Out();
  const std::string parent = fs::path(out).parent_path();
  const struct {
    std::string name;
    std::string wouldWrite;
  } kCases[] = {
      {"..\\escape1.txt", parent + "/escape1.txt"},
      {"a\\..\\..\\escape2.txt", parent + "/escape2.txt"},
      {"a/../../escape3.txt", parent + "/escape3.txt"},
      {".. \\escape4.txt", parent + "/escape4.txt"},
      {"\\" + WinPath(parent).substr(3) + "\\escape5.txt", parent + "/escape5.txt"},
      {WinPath(parent) + "\\escape6.txt", parent + "/escape6.txt"},
      {"good.txt:stream", out + "/good.txt (a stream)"},
      {"CON", "the console device"},
      {"nul.txt", "the null device"},
      {"sub\\COM1.log", "the first serial port"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    std::cout << "refused: " << c.name << " -> would have written " << c.wouldWrite << "\n";
    fs::remove_all(out);
    fs::create_directories(out);
    Transcript t = ExpandWithOneBox(ArchiveWith(c.name), WinPath(out));
    ExpectBox(t.Nth("box"), said::kDamaged, "ok", "hand");
    EXPECT_EQ(t.Nth("exit")["code"], "1");
    EXPECT_EQ(ReadFileBytes(out + "/good.txt"), B("A"));
    for (auto& e : fs::recursive_directory_iterator(parent))
      EXPECT_EQ(e.path().filename().string().find("escape"), std::string::npos)
          << "written: " << e.path();
  }
}

}  // namespace
