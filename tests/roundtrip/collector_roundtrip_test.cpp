// Trees on disk through CollectEntries and WriteArchive, back through the
// core: names, order, times, links, and the names that must be refused.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "payload/payload_layout.h"
#include "tests/roundtrip/roundtrip_support.h"
#include "tests/test_host.h"

namespace {

void MakeFile(const std::string& path, const Bytes& data, int64_t mtime) {
  WriteFileBytes(path, data);
  struct timespec ts[2] = {{(time_t)(mtime - 100), 250}, {(time_t)mtime, 123456700}};
  utimensat(AT_FDCWD, path.c_str(), ts, 0);
}

void MakeFolder(const std::string& path) { mkdir(path.c_str(), 0777); }

std::vector<std::string> NamesOf(const std::vector<ArchiveEntry>& entries) {
  std::vector<std::string> names;
  for (const ArchiveEntry& e : entries) names.push_back(e.name + (e.isFolder ? "/" : ""));
  return names;
}

TEST(Collect, FoldersBecomeTheirBaseNameSortedEachBeforeItsContents) {
  TempDir dir;
  MakeFolder(dir / "proj");
  MakeFolder(dir / "proj/src");
  MakeFolder(dir / "proj/empty");
  MakeFile(dir / "proj/src/main.c", TextLike(600, 3000), 1600000000);
  MakeFile(dir / "proj/src/main.h", TextLike(600, 1000), 1600000010);
  MakeFile(dir / "proj/README", B("read me"), 1600000020);
  MakeFile(dir / "proj/表示.txt", B("sjis"), 1600000030);
  MakeFile(dir / "single.bin", RandomBytes(601, 70000), 1600000040);
  std::vector<ArchiveEntry> entries;
  std::string error;
  // Given in any order, with a trailing slash: the result is sorted.
  ASSERT_TRUE(CollectEntries({dir / "single.bin", dir / "proj/"}, &entries, &error)) << error;
  EXPECT_EQ(NamesOf(entries),
            (std::vector<std::string>{"proj/", "proj\\README", "proj\\empty/", "proj\\src/",
                                      "proj\\src\\main.c", "proj\\src\\main.h",
                                      "proj\\\x95\x5C\x8E\xA6.txt", "single.bin"}));
  const ArchiveEntry& readme = entries[1];
  EXPECT_EQ(readme.hostPath, dir / "proj/README");
  EXPECT_EQ(readme.writeTime, TimeOf(1600000020, 123456700));
  EXPECT_EQ(readme.accessTime, TimeOf(1600000020 - 100, 250));
  EXPECT_NE(readme.creationTime, 0u);

  // Through the archive file and back: the tree is the same.
  std::vector<uint8_t> stub(kStubSize, 0x4D);
  std::string archive = dir / "out.exe";
  WriterStats stats;
  ASSERT_TRUE(WriteArchive(stub, entries, ArchiveOptions(), archive, &stats, &error)) << error;
  EXPECT_FALSE(PathExists(archive + ".partial"));
  EXPECT_EQ(stats.files, 5);
  EXPECT_EQ(stats.folders, 3);
  EXPECT_EQ(stats.inputBytes, 3000u + 1000 + 7 + 4 + 70000);
  Bytes program = ReadFileBytes(archive);
  ASSERT_EQ(program.size(), kStubSize + stats.payloadBytes);
  EXPECT_TRUE(std::equal(stub.begin(), stub.end(), program.begin()));
  uint32_t expected = program[kStubSize] | program[kStubSize + 1] << 8 |
                      program[kStubSize + 2] << 16 | (uint32_t)program[kStubSize + 3] << 24;
  EXPECT_EQ(expected, program.size());
  std::string out = dir / "x";
  MakeFolder(out);
  ResetTestHost();
  ExtractOutcome o = ExtractProgramFile(archive, out);
  ASSERT_EQ(o.result, kExtractFinished) << o.detail;
  Extracted x;
  x.outcome = o;
  x.names = CurrentTestHost().itemNames;
  x.items = CurrentTestHost().items;
  x.outDir = out;
  ExpectExtractedAsWritten(entries, x);
  EXPECT_TRUE(std::filesystem::is_directory(out + "/proj/empty"));
}

TEST(Collect, LinksAreFollowedOnTheCommandLineAndSkippedInsideTrees) {
  TempDir dir;
  MakeFolder(dir / "tree");
  MakeFile(dir / "tree/real", B("real"), 1600000000);
  MakeFile(dir / "target", B("target"), 1600000000);
  ASSERT_EQ(symlink((dir / "target").c_str(), (dir / "tree/link").c_str()), 0);
  ASSERT_EQ(symlink((dir / "tree").c_str(), (dir / "tree/loop").c_str()), 0);
  ASSERT_EQ(symlink((dir / "target").c_str(), (dir / "given").c_str()), 0);
  std::vector<ArchiveEntry> entries;
  std::vector<std::string> warnings;
  std::string error;
  ASSERT_TRUE(CollectEntries({dir / "tree", dir / "given"}, &entries, &error, &warnings))
      << error;
  EXPECT_EQ(NamesOf(entries), (std::vector<std::string>{"given", "tree/", "tree\\real"}));
  EXPECT_EQ(entries[0].hostPath, dir / "given");
  std::sort(warnings.begin(), warnings.end());
  ASSERT_EQ(warnings.size(), 2u);
  EXPECT_NE(warnings[0].find("tree/link"), std::string::npos);
  EXPECT_NE(warnings[1].find("tree/loop"), std::string::npos);
}

TEST(Collect, RefusesNamesThatWouldNotExtractAsThemselves) {
  struct Bad {
    const char* name;
    const char* inMessage;
  };
  const Bad bads[] = {
      {"what?", "'?'"},      {"a:b", "':'"},         {"x<y", "'<'"},
      {"pipe|", "'|'"},      {"star*", "'*'"},       {"q\"uote", "'\"'"},
      {"back\\slash", "'\\'"}, {"tab\there", "control"}, {"dot.", "dot or a space"},
      {"space ", "dot or a space"}, {"emoji\xF0\x9F\x98\x80", "Shift-JIS"},
  };
  for (const Bad& bad : bads) {
    TempDir dir;
    MakeFolder(dir / "t");
    MakeFile(dir / "t" + "/" + bad.name, B("x"), 1600000000);
    std::vector<ArchiveEntry> entries;
    std::string error;
    EXPECT_FALSE(CollectEntries({dir / "t"}, &entries, &error)) << bad.name;
    EXPECT_NE(error.find(bad.name), std::string::npos) << error;
    EXPECT_NE(error.find(bad.inMessage), std::string::npos) << error;
    EXPECT_TRUE(entries.empty());
  }
}

TEST(Collect, WarnsOfCaseOnlyDifferencesAndRefusesSameNamesAndMissingPaths) {
  TempDir dir;
  MakeFolder(dir / "t");
  MakeFile(dir / "t/Readme", B("1"), 1600000000);
  MakeFile(dir / "t/README", B("2"), 1600000000);
  std::vector<ArchiveEntry> entries;
  std::vector<std::string> warnings;
  std::string error;
  ASSERT_TRUE(CollectEntries({dir / "t"}, &entries, &error, &warnings)) << error;
  EXPECT_EQ(NamesOf(entries), (std::vector<std::string>{"t/", "t\\README", "t\\Readme"}));
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].find("letter case"), std::string::npos) << warnings[0];
  MakeFolder(dir / "u");
  MakeFile(dir / "u/t", B("3"), 1600000000);
  EXPECT_FALSE(CollectEntries({dir / "t/Readme", dir / "u/t", dir / "t"}, &entries, &error));
  EXPECT_NE(error.find("same name"), std::string::npos) << error;
  EXPECT_FALSE(CollectEntries({dir / "missing"}, &entries, &error));
  EXPECT_NE(error.find(dir / "missing"), std::string::npos) << error;
}

TEST(Collect, NoPathsGiveNoEntriesAndAnArchiveThatStillExtracts) {
  TempDir dir;
  std::vector<ArchiveEntry> entries;
  std::string error;
  ASSERT_TRUE(CollectEntries({}, &entries, &error)) << error;
  EXPECT_TRUE(entries.empty());
  ASSERT_TRUE(WriteArchive(std::vector<uint8_t>(kStubSize, 0), entries, ArchiveOptions(),
                           dir / "empty.exe", nullptr, &error))
      << error;
  MakeFolder(dir / "x");
  ResetTestHost();
  ExtractOutcome o = ExtractProgramFile(dir / "empty.exe", dir / "x");
  EXPECT_EQ(o.result, kExtractFinished) << o.detail;
  EXPECT_EQ(CurrentTestHost().itemNames, std::vector<std::string>{"."});
}

TEST(WriteArchiveErrors, BadInputIsRefusedAndNothingIsLeftBehind) {
  TempDir dir;
  std::string out = dir / "a.exe";
  std::string error;
  std::vector<uint8_t> stub(kStubSize, 0);
  std::vector<ArchiveEntry> ok = {FileEntry("f", B("data"))};
  EXPECT_FALSE(WriteArchive(std::vector<uint8_t>(100), ok, ArchiveOptions(), out, nullptr, &error));
  EXPECT_NE(error.find("26112"), std::string::npos) << error;

  ArchiveOptions noFlags;
  noFlags.password = "pw";
  noFlags.protectionFlags = 0;
  EXPECT_FALSE(WriteArchive(stub, ok, noFlags, out, nullptr, &error));

  ArchiveEntry missing = FileEntry("m", Bytes());
  missing.hostPath = dir / "does-not-exist";
  EXPECT_FALSE(WriteArchive(stub, {missing}, ArchiveOptions(), out, nullptr, &error));
  EXPECT_NE(error.find(dir / "does-not-exist"), std::string::npos) << error;

  const char* badNames[] = {"", "*star", "a\\\\b", "a\\.", "..\\up", "dir\\", "end."};
  for (const char* name : badNames) {
    EXPECT_FALSE(WriteArchive(stub, {FileEntry(name, B("x"))}, ArchiveOptions(), out, nullptr,
                              &error))
        << name;
  }
  EXPECT_FALSE(WriteArchive(stub, {FileEntry("same", B("1")), FileEntry("same", B("2"))},
                            ArchiveOptions(), out, nullptr, &error));
  EXPECT_NE(error.find("twice"), std::string::npos) << error;
  EXPECT_FALSE(PathExists(out));
  EXPECT_FALSE(PathExists(out + ".partial"));

  // A failed run keeps an archive that was there.
  ASSERT_TRUE(WriteArchive(stub, ok, ArchiveOptions(), out, nullptr, &error)) << error;
  Bytes before = ReadFileBytes(out);
  EXPECT_FALSE(WriteArchive(stub, {missing}, ArchiveOptions(), out, nullptr, &error));
  EXPECT_EQ(ReadFileBytes(out), before);
}

}  // namespace
