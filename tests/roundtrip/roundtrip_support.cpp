// Round trips: archives made by the writer, extracted by both decoders.
#include "tests/roundtrip/roundtrip_support.h"

#include <gtest/gtest.h>
#include <string.h>
#include <sys/stat.h>

#include <random>

#include "payload/payload_layout.h"
#include "platform/host_platform.h"
#include "tests/reference/plain_decoder.h"
#include "tests/test_host.h"

Bytes RandomBytes(uint32_t seed, size_t n) {
  std::mt19937 rng(seed);
  Bytes out(n);
  for (size_t i = 0; i < n; i++) out[i] = (uint8_t)(rng() >> 24);
  return out;
}

Bytes TextLike(uint32_t seed, size_t n) {
  std::mt19937 rng(seed);
  std::vector<std::string> words;
  for (int w = 0; w < 300; w++) {
    std::string word;
    int len = 2 + (int)(rng() % 9);
    for (int i = 0; i < len; i++) word.push_back((char)('a' + rng() % 26));
    words.push_back(word);
  }
  Bytes out;
  int onLine = 0;
  while (out.size() < n) {
    // A skewed pick, as in real text: a few words are most of it.
    uint32_t r = rng() % 300;
    const std::string& w = words[(r * r) / 300];
    out.insert(out.end(), w.begin(), w.end());
    if (++onLine == 12) {
      out.push_back('\n');
      onLine = 0;
    } else {
      out.push_back(' ');
    }
  }
  out.resize(n);
  return out;
}

FileTime TimeOf(int64_t unixSeconds, uint32_t nanoseconds) {
  return (FileTime)(unixSeconds + 11644473600LL) * 10000000u + nanoseconds / 100;
}

FileTime Moment(int n) { return TimeOf(1600000000 + (int64_t)n * 86413, (uint32_t)n * 1100); }

ArchiveEntry FileEntry(const std::string& name, const Bytes& data,
                       FileTime creation, FileTime access, FileTime write) {
  ArchiveEntry e;
  e.name = name;
  e.data = data;
  e.creationTime = creation ? creation : TimeOf(1650000000, 100);
  e.accessTime = access ? access : TimeOf(1650000001, 200);
  e.writeTime = write ? write : TimeOf(1650000002, 300);
  return e;
}

ArchiveEntry FolderEntry(const std::string& name) {
  ArchiveEntry e;
  e.name = name;
  e.isFolder = true;
  return e;
}

// The same archive through the plain decoder: the same outcome and the same
// bytes on disk.
static void ExpectPlainDecoderAgrees(const std::string& archive, const Bytes& key,
                                     const Extracted& fast, const std::string& plainDir) {
  mkdir(plainDir.c_str(), 0777);
  TestHost saved = CurrentTestHost();
  ResetTestHost();
  ExtractOutcome plain =
      ExtractProgramFile(archive, plainDir, key, false, PlainDecodeFileBody);
  CurrentTestHost() = saved;
  EXPECT_EQ(plain.result, fast.outcome.result);
  EXPECT_EQ(plain.detail, fast.outcome.detail);
  EXPECT_EQ(plain.files, fast.outcome.files);
  EXPECT_TRUE(TreeContents(plainDir) == TreeContents(fast.outDir))
      << "the fast and the plain decoder disagree";
}

Extracted BuildAndExtract(const TempDir& dir, const std::vector<ArchiveEntry>& entries,
                          const ArchiveOptions& options, const Bytes& key) {
  Extracted x;
  std::string error;
  WriterStats stats;
  bool built = BuildPayload(entries, options, &x.payload, &stats, &error);
  EXPECT_TRUE(built) << error;
  if (!built) {
    x.outcome.result = kExtractReadFailed;
    return x;
  }
  EXPECT_EQ(stats.payloadBytes, x.payload.size());
  Bytes program(kStubSize + x.payload.size(), 0);
  std::copy(x.payload.begin(), x.payload.end(), program.begin() + kStubSize);
  std::string archive = dir / "archive.exe";
  WriteFileBytes(archive, program);
  x.outDir = dir / "out";
  mkdir(x.outDir.c_str(), 0777);
  ResetTestHost();
  // The plain decoder's run below agrees only if the trees, the files and
  // the outcome do.
  x.outcome = ExtractProgramFile(archive, x.outDir, key);
  x.names = CurrentTestHost().itemNames;
  x.items = CurrentTestHost().items;
  ExpectPlainDecoderAgrees(archive, key, x, dir / "plain");
  return x;
}

ArchiveOptions AtLevel(int level) {
  ArchiveOptions options;
  options.level = level;
  return options;
}

Extracted RoundTrip(const TempDir& dir, const std::vector<ArchiveEntry>& entries,
                    const ArchiveOptions& options, const Bytes& key) {
  Extracted x = BuildAndExtract(dir, entries, options, key);
  ExpectExtractedAsWritten(entries, x);
  return x;
}

std::string HostPathOf(const std::string& outDir, const std::string& archiveName) {
  char host[16384];
  int n = MapArchivePath(archiveName.c_str(), host, sizeof host);
  EXPECT_GE(n, 0) << "unmappable name " << archiveName;
  return outDir + "/" + (n >= 0 ? host : "");
}

static FileTime FileTimeOf(const struct timespec& ts) {
  return TimeOf(ts.tv_sec, (uint32_t)ts.tv_nsec);
}

void ExpectExtractedAsWritten(const std::vector<ArchiveEntry>& entries,
                              const Extracted& x) {
  ASSERT_EQ(x.outcome.result, kExtractFinished) << x.outcome.detail;
  ASSERT_EQ(x.items.size(), entries.size());
  for (size_t i = 0; i < entries.size(); i++) {
    const ArchiveEntry& e = entries[i];
    const ItemRecord& it = x.items[i];
    std::string path = HostPathOf(x.outDir, e.name);
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0) << e.name;
    ASSERT_EQ(it.isFolder, e.isFolder) << e.name;
    if (e.isFolder) {
      EXPECT_TRUE(S_ISDIR(st.st_mode)) << e.name;
      EXPECT_EQ(x.names[i], e.name == "." ? "." : e.name + "\\.");
      continue;
    }
    EXPECT_EQ(x.names[i], e.name);
    Bytes expected = e.hostPath.empty() ? e.data : ReadFileBytes(e.hostPath);
    Bytes got = ReadFileBytes(path);
    ASSERT_EQ(got.size(), expected.size()) << e.name;
    EXPECT_TRUE(got == expected) << e.name << ": contents differ";
    EXPECT_EQ(it.size, (int32_t)expected.size());
    EXPECT_EQ(it.creationTime, e.creationTime) << e.name;
    EXPECT_EQ(it.accessTime, e.accessTime) << e.name;
    EXPECT_EQ(it.writeTime, e.writeTime) << e.name;
    EXPECT_EQ(FileTimeOf(st.st_mtim), e.writeTime) << e.name;
    EXPECT_EQ(FileTimeOf(st.st_atim), e.accessTime) << e.name;
  }
}

size_t HeaderLengthOf(const Bytes& payload) {
  size_t at = 4;
  while (payload.at(at) != 0) at++;  // description
  at++;
  while (payload.at(at) != 0) at++;  // run command
  at++;
  uint8_t flags = payload.at(at++);
  return flags ? at + 2 : at;
}

Bytes ItemStreamOf(const Bytes& payload, const std::string& key) {
  Bytes items;
  size_t at = HeaderLengthOf(payload);
  size_t keyPos = 0;
  while (at < payload.size()) {
    size_t n = std::min<size_t>(kBlockData, payload.size() - at - 2);
    for (size_t i = 0; i < n; i++) {
      uint8_t b = payload[at + i];
      if (!key.empty()) {
        b ^= (uint8_t)key[keyPos];
        keyPos = (keyPos + 1) % key.size();
      }
      items.push_back(b);
    }
    at += n + 2;
  }
  return items;
}
