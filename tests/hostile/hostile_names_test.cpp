// Crafted archives whose names or planted links would send a write out of
// the destination folder. Each case records where the write would have
// gone and checks that nothing appeared there.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "tests/test_host.h"
#include "tests/unit/item_bytes.h"

namespace fs = std::filesystem;

namespace {

const Bytes kBodyA = {0xAE, 0x01};  // one literal "A"

// All regular files below a folder, relative, sorted.
std::vector<std::string> FilesBelow(const std::string& root) {
  std::vector<std::string> out;
  for (auto& e : fs::recursive_directory_iterator(root))
    if (!e.is_directory()) out.push_back(fs::relative(e.path(), root));
  std::sort(out.begin(), out.end());
  return out;
}

class HostileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetTestHost();
    fs::create_directories(dest_);
    fs::create_directories(outside_);
    WriteFileBytes(outside_ + "/victim.txt", B("precious"));
  }
  ExtractOutcome Extract(const Bytes& items) { return ExtractItems(dir_, items, dest_); }
  // The host path a name points at when put below the destination with
  // either separator taken as one.
  std::string WouldGo(const std::string& name) {
    std::string p = name;
    for (char& c : p)
      if (c == '\\') c = '/';
    return (fs::path(dest_) / p).lexically_normal().string();
  }
  TempDir dir_;
  std::string dest_ = dir_ / "root/dest";
  std::string outside_ = dir_ / "root/outside";
};

}  // namespace

TEST_F(HostileTest, TraversalAbsoluteDriveStreamAndDeviceNamesWriteNothing) {
  const std::vector<std::string> names = {
      "..\\outside\\victim.txt", "a\\..\\..\\outside\\victim.txt", "a/../../outside/victim.txt",
      ".. \\outside\\evil.txt", "...\\outside\\evil.txt", "\\" + dir_.path() + "\\evil.txt",
      "/" + dir_.path() + "/evil.txt", "\\\\server\\share\\evil.txt", "C:evil.txt",
      "D:\\evil.txt", "file.txt:stream", "dir\\x:$DATA",
      // Runs of separators are one level on Windows: the climb is still one.
      "a\\\\..\\..\\outside\\victim.txt", "a/\\..\\..\\outside\\victim.txt",
      "a\\/..//..\\outside\\evil.txt"};
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    ResetTestHost();
    Bytes items;
    AppendFileEntry(&items, B("good.txt"), 1, 2, 3, 1, 0, 0, kBodyA);
    AppendFileEntry(&items, B(name), 1, 2, 3, 1, 0, 0, kBodyA);
    ExtractOutcome o = Extract(items);
    RecordProperty("would_write", WouldGo(name));
    std::cout << "refused: " << name << " -> would have written " << WouldGo(name) << "\n";
    EXPECT_EQ(o.result, kExtractDamaged) << o.detail;
    EXPECT_FALSE(o.detail.empty());
    EXPECT_EQ(ReadFileBytes(dest_ + "/good.txt"), B("A"));  // earlier files stay
    EXPECT_EQ(FilesBelow(dir_ / "root"),
              (std::vector<std::string>{"dest/good.txt", "outside/victim.txt"}));
    EXPECT_EQ(ReadFileBytes(outside_ + "/victim.txt"), B("precious"));
    EXPECT_FALSE(PathExists(dir_.path() + "/evil.txt"));
    fs::remove(dest_ + "/good.txt");
  }
}

TEST_F(HostileTest, FolderEntriesThatClimbAreRefusedToo) {
  Bytes items;
  AppendFolderEntry(&items, B("..\\made-outside\\."));
  ExtractOutcome o = Extract(items);
  std::cout << "refused folder -> would have made " << WouldGo("../made-outside") << "\n";
  EXPECT_EQ(o.result, kExtractDamaged);
  EXPECT_FALSE(PathExists(dir_ / "root/made-outside"));
}

TEST_F(HostileTest, PlantedLinkAboveAnItemIsNotFollowed) {
  ASSERT_EQ(symlink(outside_.c_str(), (dest_ + "/lnk").c_str()), 0);
  Bytes items;
  AppendFileEntry(&items, B("lnk\\evil.txt"), 1, 2, 3, 1, 0, 0, kBodyA);
  ExtractOutcome o = Extract(items);
  std::cout << "planted link -> would have written " << outside_ + "/evil.txt" << "\n";
  // The link is something that is not a folder: the folder cannot be made.
  EXPECT_EQ(o.result, kExtractFolderFailed);
  EXPECT_EQ(o.failedPrefix, ".\\lnk");
  EXPECT_FALSE(PathExists(outside_ + "/evil.txt"));
}

TEST_F(HostileTest, PlantedLinkBelowAFolderHeldOpenIsNotFollowed) {
  // The first files leave their folders open; the walks of the later ones
  // start from there, and still refuse the link below.
  fs::create_directories(dest_ + "/sub");
  ASSERT_EQ(symlink(outside_.c_str(), (dest_ + "/sub/lnk").c_str()), 0);
  Bytes items;
  AppendFileEntry(&items, B("sub\\ok.txt"), 1, 2, 3, 1, 0, 0, kBodyA);
  AppendFileEntry(&items, B("sub\\deep\\ok.txt"), 1, 2, 3, 1, 0, 0, kBodyA);
  AppendFileEntry(&items, B("sub\\deep\\deeper\\ok.txt"), 1, 2, 3, 1, 0, 0, kBodyA);
  AppendFileEntry(&items, B("sub\\lnk\\evil.txt"), 1, 2, 3, 1, 0, 0, kBodyA);
  ExtractOutcome o = Extract(items);
  EXPECT_EQ(o.result, kExtractFolderFailed);
  EXPECT_EQ(o.failedPrefix, ".\\sub\\lnk");
  EXPECT_FALSE(PathExists(outside_ + "/evil.txt"));
  EXPECT_EQ(ReadFileBytes(dest_ + "/sub/deep/deeper/ok.txt"), B("A"));
  EXPECT_EQ(ReadFileBytes(dest_ + "/sub/ok.txt"), B("A"));
}

TEST_F(HostileTest, PlantedLinkAtTheItemIsReplacedNotWrittenThrough) {
  ASSERT_EQ(symlink((outside_ + "/victim.txt").c_str(), (dest_ + "/f.txt").c_str()), 0);
  Bytes items;
  AppendFileEntry(&items, B("f.txt"), 1, 2, 3, 1, 0, 0, kBodyA);
  CurrentTestHost().answers = {kOverwriteYes};
  ExtractOutcome o = Extract(items);
  std::cout << "planted link at item -> would have written " << outside_ + "/victim.txt" << "\n";
  ASSERT_EQ(o.result, kExtractFinished) << o.detail;
  EXPECT_EQ(CurrentTestHost().prompts.size(), 1u);  // it exists: asked first
  EXPECT_EQ(ReadFileBytes(outside_ + "/victim.txt"), B("precious"));
  EXPECT_FALSE(fs::is_symlink(dest_ + "/f.txt"));
  EXPECT_EQ(ReadFileBytes(dest_ + "/f.txt"), B("A"));
}

// Overwriting goes through a temporary file: whatever stops the file in
// hand, the file that was there before is left as it was.
class SafeOverwriteTest : public HostileTest {
 protected:
  void SetUp() override {
    HostileTest::SetUp();
    WriteFileBytes(dest_ + "/keep.txt", B("old contents"));
  }
  void ExpectOldFileAndNoTemporary() {
    EXPECT_EQ(ReadFileBytes(dest_ + "/keep.txt"), B("old contents"));
    EXPECT_EQ(FilesBelow(dest_), (std::vector<std::string>{"keep.txt"}));
  }
  // A body of 1 + 255 * 4352 bytes of 'c' that runs on into the second
  // block of the stream.
  static Bytes LongBody(int32_t* size) {
    FirstTreeBodyWriter body;
    body.Literal('c');
    for (int i = 0; i < 255; i++) body.LongMatch(4352, 1);
    *size = 1 + 255 * 4352;
    return body.Finish();
  }

  // An archive whose keep.txt has its body across the edge of the first
  // block (behind 3400 bytes of "." folder entries), with the second block
  // damaged.
  std::string DamagedInTheBody(const std::string& name) {
    Bytes items;
    for (int i = 0; i < 1700; i++) AppendFolderEntry(&items, B("."));
    int32_t size;
    Bytes body = LongBody(&size);
    AppendFileEntry(&items, B(name), 1, 2, 3, size, 0, 0, body);
    EXPECT_GT(items.size(), 4096u + 200u);
    ProgramFile p;
    p.blockStream = MakeBlockStream(items);
    p.blockStream[4098 + 150] ^= 0x20;
    WriteFileBytes(dir_ / "p.exe", MakeProgramFile(p));
    return dir_ / "p.exe";
  }
};

TEST_F(SafeOverwriteTest, DamageInTheMiddleKeepsTheOldFile) {
  CurrentTestHost().answers = {kOverwriteYes};
  ExtractOutcome o = ExtractProgramFile(DamagedInTheBody("keep.txt"), dest_);
  EXPECT_EQ(o.result, kExtractDamaged);
  ExpectOldFileAndNoTemporary();
}

// Writing over a folder fails at once, as creating the file there would:
// before the body is read, so its damage is never reached.
TEST_F(SafeOverwriteTest, AFolderInTheWayFailsBeforeTheBody) {
  fs::create_directory(dest_ + "/folder");
  CurrentTestHost().answers = {kOverwriteYes};
  ExtractOutcome o = ExtractProgramFile(DamagedInTheBody("folder"), dest_);
  EXPECT_EQ(o.result, kExtractWriteFailed);
  EXPECT_EQ(CurrentTestHost().prompts.size(), 1u);
  EXPECT_TRUE(fs::is_directory(dest_ + "/folder"));
  ExpectOldFileAndNoTemporary();
}

TEST_F(SafeOverwriteTest, CancelDuringTheBodyKeepsTheOldFile) {
  int32_t size;
  Bytes body = LongBody(&size);
  Bytes items;
  AppendFileEntry(&items, B("keep.txt"), 1, 2, 3, size, 0, 0, body);
  CurrentTestHost().answers = {kOverwriteYes};
  CurrentTestHost().onPump = [](Extraction* x) { x->cancelRequested = 1; };
  ExtractOutcome o = Extract(items);
  EXPECT_EQ(o.result, kExtractCancelled);
  ExpectOldFileAndNoTemporary();
}

TEST_F(SafeOverwriteTest, ReplacingAFileKeepsNoTemporaryAndStampsTheNewOne) {
  Bytes items;
  AppendFileEntry(&items, B("keep.txt"), 1, 2, FileTimeOf(1234567890), 1, 0, 0, kBodyA);
  CurrentTestHost().answers = {kOverwriteYes};
  ExtractOutcome o = Extract(items);
  ASSERT_EQ(o.result, kExtractFinished) << o.detail;
  EXPECT_EQ(ReadFileBytes(dest_ + "/keep.txt"), B("A"));
  EXPECT_EQ(FilesBelow(dest_), (std::vector<std::string>{"keep.txt"}));
  struct stat st;
  stat((dest_ + "/keep.txt").c_str(), &st);
  EXPECT_EQ(st.st_mtim.tv_sec, 1234567890);
}
