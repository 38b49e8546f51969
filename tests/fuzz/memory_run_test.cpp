// Extractions over the in-memory platform, for what a real file system
// here cannot show: a read-only file root may still replace, and a file
// system that hands a new file the creation time of the one it replaced.
#include <gtest/gtest.h>

#include <random>

#include "payload/crc16.h"
#include "tests/fuzz/fuzz_host.h"
#include "tests/fuzz/memory_platform.h"
#include "tests/fuzz/memory_read_path.h"
#include "writer/archive_writer.h"

namespace {

const FileTime kCreated = 132000000000000000ull, kAccessed = kCreated + 7, kWritten = kCreated + 9;

std::vector<uint8_t> Noise(size_t n) {
  std::mt19937 random(7);
  std::vector<uint8_t> b(n);
  for (uint8_t& c : b) c = (uint8_t)random();
  return b;
}

// A program file of these entries behind a stub of zeros.
std::vector<uint8_t> ProgramOf(const std::vector<ArchiveEntry>& entries) {
  std::vector<uint8_t> payload;
  std::string error;
  EXPECT_TRUE(BuildPayload(entries, ArchiveOptions(), &payload, nullptr, &error)) << error;
  std::vector<uint8_t> program(kStubSize, 0);
  program.insert(program.end(), payload.begin(), payload.end());
  return program;
}

// A program file holding "a" (noise, so its body spans many blocks) and
// then "b".
std::vector<uint8_t> Program() {
  ArchiveEntry a, b;
  a.name = "a";
  a.data = Noise(60000);
  b.name = "b";
  b.data = {'b'};
  for (ArchiveEntry* e : {&a, &b}) {
    e->creationTime = kCreated;
    e->accessTime = kAccessed;
    e->writeTime = kWritten;
  }
  return ProgramOf({a, b});
}

// Flips a byte in the last block: damage far behind the start of "a".
void DamageTheEnd(std::vector<uint8_t>* program) { (*program)[program->size() - 300] ^= 0x20; }

void PutOldFile(const char* path) {
  OsFile f = OsCreateFile(nullptr, path);
  int put = 0;
  ASSERT_TRUE(OsWrite(f, "old", 3, &put));
  ASSERT_TRUE(OsSetFileTimes(f, 1, 2, 3));
  ASSERT_TRUE(OsClose(f));
}

MemoryEntry At(const char* path) {
  MemoryEntry e;
  EXPECT_TRUE(MemoryLookUp(path, &e)) << path;
  return e;
}

// Extracts the program file given to MemoryReset, answering Yes to the
// questions, of which there must be `questions`.
ExtractResult Extract(int questions, bool probeInFront = false) {
  FuzzHost host;
  EngineHost engineHost = FuzzEngineHost(&host);
  ReadPathRun run = RunReadPath("", false, &engineHost, probeInFront);
  EXPECT_EQ(host.prompts, questions);
  EXPECT_EQ(MemoryOpenFiles(), 0);
  return run.result;
}

TEST(MemoryRun, AReplacedFileCarriesTheRecordedCreationTime) {
  std::vector<uint8_t> program = Program();
  MemoryReset(program.data(), program.size());
  PutOldFile("a");
  ASSERT_EQ(Extract(1), kExtractFinished);
  MemoryEntry a = At("a");
  EXPECT_EQ(a.data, Noise(60000));
  EXPECT_EQ(a.creationTime, kCreated);
  EXPECT_EQ(a.accessTime, kAccessed);
  EXPECT_EQ(a.writeTime, kWritten);
}

TEST(MemoryRun, WhatCannotBeReplacedEndsTheRunBeforeTheBodyIsRead) {
  std::vector<uint8_t> program = Program();
  DamageTheEnd(&program);
  // A damaged body is what a run that reached the move would report.
  MemoryReset(program.data(), program.size());
  ASSERT_EQ(Extract(0), kExtractDamaged);

  MemoryReset(program.data(), program.size());
  PutOldFile("a");
  ASSERT_TRUE(MemorySetReadOnly("a", true));
  EXPECT_EQ(Extract(1), kExtractWriteFailed);
  EXPECT_EQ(At("a").data, std::vector<uint8_t>({'o', 'l', 'd'}));
  EXPECT_EQ(MemoryEntries().size(), 1u);  // no temporary file left

  MemoryReset(program.data(), program.size());
  ASSERT_TRUE(OsCreateFolder(nullptr, "a"));
  EXPECT_EQ(Extract(1), kExtractWriteFailed);
  EXPECT_TRUE(At("a").isFolder);
  EXPECT_EQ(MemoryEntries().size(), 1u);
}

// 200 files 8 folders deep in two sibling folders, and two folders whose
// names share a first character whose second byte is 0x5C, as the writer
// orders them: every folder is looked at once for the whole run, found or
// made, and every file once for the overwrite question, also where a sink
// in front has looked at it already.
class MemoryRunProbes : public testing::TestWithParam<bool> {};

TEST_P(MemoryRunProbes, EachFolderIsProbedOnceForTheWholeRun) {
  const std::string deep = "d1\\d2\\d3\\d4\\d5\\d6\\d7\\";
  std::vector<ArchiveEntry> entries;
  for (const std::string& folder : {deep + "d8\\", deep + "e8\\", std::string("\x95\x5C" "A\\"),
                                    std::string("\x95\x5C" "B\\")}) {
    for (int i = 0; i < 100; i++) {
      ArchiveEntry e;
      e.name = folder + "f" + std::to_string(i);
      e.data = {(uint8_t)i};
      entries.push_back(e);
    }
  }
  std::vector<uint8_t> program = ProgramOf(entries);
  MemoryReset(program.data(), program.size());
  ASSERT_TRUE(OsCreateFolder(nullptr, "d1"));  // found, not made

  ASSERT_EQ(Extract(0, GetParam()), kExtractFinished);
  std::map<std::string, int> expected = {{"", 1}};  // the destination
  for (const ArchiveEntry& e : entries) {
    EXPECT_EQ(At(e.name.c_str()).data, e.data) << e.name;
    expected[e.name] = 1;
    for (size_t end = e.name.find('\\'); end != std::string::npos; end = e.name.find('\\', end + 1))
      if (end != 1 || e.name[0] != '\x95') expected[e.name.substr(0, end)] = 1;
  }
  EXPECT_EQ(MemoryProbes(), expected);
}

INSTANTIATE_TEST_SUITE_P(ProbeInFront, MemoryRunProbes, testing::Bool());

// "a", 3000 bytes of text, then "b": the first 2000 bytes of "a", which
// it takes as its shared bytes, and `tail` bytes of noise.
std::vector<uint8_t> SharedStartProgram(size_t tail, std::vector<uint8_t>* bData) {
  ArchiveEntry a, b;
  a.name = "a";
  for (int i = 0; a.data.size() < 3000; i++) {
    std::string line = "line " + std::to_string(i) + " of the text\n";
    a.data.insert(a.data.end(), line.begin(), line.end());
  }
  a.data.resize(3000);
  b.name = "b";
  b.data.assign(a.data.begin(), a.data.begin() + 2000);
  std::vector<uint8_t> noise = Noise(tail);
  if (tail > 0) noise[0] = '\x80';  // not the byte "a" goes on with
  b.data.insert(b.data.end(), noise.begin(), noise.end());
  *bData = b.data;
  return ProgramOf({a, b});
}

TEST(MemoryRun, AFilesSharedBytesGoOutWithItsFirstOtherBytesInOneWrite) {
  for (size_t tail : {(size_t)0, (size_t)500, (size_t)60000}) {
    std::vector<uint8_t> b;
    std::vector<uint8_t> program = SharedStartProgram(tail, &b);
    MemoryReset(program.data(), program.size());
    ASSERT_EQ(Extract(0), kExtractFinished) << tail;
    EXPECT_EQ(At("b").data, b) << tail;
    // "a" in one write; "b" in one, or one per window piece.
    EXPECT_EQ(MemoryWrites(), tail < 30000 ? 2 : 3) << tail;
  }
}

// Flips a byte of the block stream (`at` is an offset in the program)
// and, unless `caught`, gives its block the CRC of what it now holds, so
// that the damage reaches the decoder.
void DamageBlockStream(std::vector<uint8_t>* program, size_t at, bool caught) {
  size_t first = kStubSize;  // behind the header: the first block that passes its test
  while (Crc16Update(0, program->data() + first, kBlockSize) != 0) first++;
  (*program)[at] ^= 0x20;
  if (caught) return;
  size_t block = first + (at - first) / kBlockSize * kBlockSize;
  uint16_t crc = Crc16Update(0, program->data() + block, kBlockData);
  (*program)[block + kBlockData] = (uint8_t)(crc >> 8);
  (*program)[block + kBlockData + 1] = (uint8_t)crc;
}

// Damage in the body of "b", before its window first fills: in a block
// that fails its test, or in the coded tokens themselves.
class SharedBytesBeforeDamage : public testing::TestWithParam<bool> {};

TEST_P(SharedBytesBeforeDamage, AFailureOfTheSharedBytesIsReportedFirst) {
  std::vector<uint8_t> b;
  std::vector<uint8_t> program = SharedStartProgram(28000, &b);
  // The first block holds "a", the header of "b" and the start of its
  // body; the damage is in the second, about 2700 bytes into the body.
  DamageBlockStream(&program, kStubSize + 4200, GetParam());
  MemoryReset(program.data(), program.size());
  ASSERT_EQ(Extract(0), kExtractDamaged);

  MemoryReset(program.data(), program.size());
  MemoryFailWritesAfter(1);  // "a" goes out, the shared bytes of "b" do not
  EXPECT_EQ(Extract(0), kExtractWriteFailed);
  MemoryEntry e;
  EXPECT_FALSE(MemoryLookUp("b", &e));
  EXPECT_EQ(At("a").data.size(), 3000u);
}

INSTANTIATE_TEST_SUITE_P(CaughtByTheBlockTest, SharedBytesBeforeDamage, testing::Bool());

}  // namespace
