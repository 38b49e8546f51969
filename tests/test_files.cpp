#include "tests/test_files.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include "cli/helper_thread.h"
#include "cli/threaded_output.h"
#include "payload/crc16.h"
#include "payload/payload_layout.h"
#include "platform/platform_posix.h"

TempDir::TempDir() : TempDir(std::filesystem::temp_directory_path().string()) {}

TempDir::TempDir(const std::string& parent) {
  std::string tmpl = parent + "/corvane-XXXXXX";
  char* made = mkdtemp(&tmpl[0]);
  if (!made) abort();
  path_ = made;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

void WriteFileBytes(const std::string& path, const Bytes& bytes) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write((const char*)bytes.data(), (std::streamsize)bytes.size());
}

Bytes ReadFileBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

static Bytes ReadKeepingAccessTime(const std::string& path) {
  Bytes data;
  int fd = open(path.c_str(), O_RDONLY | O_NOATIME | O_CLOEXEC);
  if (fd < 0) return data;
  uint8_t buf[65536];
  ssize_t n;
  while ((n = read(fd, buf, sizeof buf)) > 0) data.insert(data.end(), buf, buf + n);
  close(fd);
  return data;
}

std::map<std::string, Bytes> TreeContents(const std::string& root) {
  std::map<std::string, Bytes> files;
  for (const auto& e : std::filesystem::recursive_directory_iterator(root)) {
    std::string rel = e.path().string().substr(root.size());
    files[rel] = e.is_directory() ? Bytes{'/'} : ReadKeepingAccessTime(e.path().string());
  }
  return files;
}

bool PathExists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::symlink_status(path, ec).type() !=
         std::filesystem::file_type::not_found;
}

void PutLE(Bytes* b, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; i++) b->push_back((uint8_t)(v >> (8 * i)));
}

Bytes MakeBlockStream(const Bytes& data, const Bytes& key) {
  Bytes out;
  size_t keyIndex = 0;
  for (size_t at = 0; at < data.size(); at += 4096) {
    size_t n = std::min<size_t>(4096, data.size() - at);
    uint32_t reg = 0;
    for (size_t i = 0; i < n; i++) reg = CrcAddByte(reg, data[at + i]);
    reg = CrcAddByte(CrcAddByte(reg, 0), 0);
    for (size_t i = 0; i < n; i++) {
      uint8_t b = data[at + i];
      if (!key.empty()) {
        b ^= key[keyIndex];
        keyIndex = (keyIndex + 1) % key.size();
      }
      out.push_back(b);
    }
    out.push_back((uint8_t)(reg >> 8));
    out.push_back((uint8_t)reg);
  }
  return out;
}

Bytes MakeProgramFile(const ProgramFile& p) {
  Bytes out(26112, 0);
  PutLE(&out, 0, 4);
  out.insert(out.end(), p.description.begin(), p.description.end());
  out.push_back(0);
  out.insert(out.end(), p.runCommand.begin(), p.runCommand.end());
  out.push_back(0);
  out.push_back(p.flags);
  if (p.flags) PutLE(&out, p.checkValue ^ (p.flags * 257u), 2);
  out.insert(out.end(), p.blockStream.begin(), p.blockStream.end());
  uint32_t size = (uint32_t)((int64_t)out.size() + p.sizeSkew);
  for (int i = 0; i < 4; i++) out[26112 + i] = (uint8_t)(size >> (8 * i));
  return out;
}

RunThreads DefaultRunThreads() {
  const char* v = getenv("CORVANE_TEST_THREADS");
  if (!v) return RunThreads::kOne;
  if (strcmp(v, "rebuild") == 0) return RunThreads::kRebuild;
  if (strcmp(v, "output") == 0) return RunThreads::kRebuildAndOutput;
  return RunThreads::kOne;
}

ExtractOutcome ExtractProgramFile(const std::string& programPath,
                                  const std::string& destDir, const Bytes& key,
                                  bool writeNothing,
                                  bool (*decodeBody)(Extraction*, int32_t),
                                  RunThreads threads) {
  ExtractOutcome o;
  o.result = kExtractReadFailed;
  OsFile f = OsOpenNative(programPath.c_str());
  if (f == kNoFile) return o;
  static char description[65536], runCommand[4096];
  PayloadHeader h;
  h.description = description;
  h.descriptionCap = sizeof description - 1;
  h.runCommand = runCommand;
  h.runCommandCap = sizeof runCommand - 1;
  if (LoadPayloadHeader(f, &h) != kHeaderRead) {
    OsClose(f);
    return o;
  }
  static BlockReader reader;
  BeginBlockStream(&reader, f, h.protection.isProtected, key.data(),
                   (int32_t)key.size());
  int dirfd = open(destDir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  PosixSetRoot(dirfd);
  static Extraction x;
  x.reader = &reader;
  x.writeNothing = writeNothing;
  x.decodeBody = decodeBody;
  x.work = 0;
  {
    bool output = threads == RunThreads::kRebuildAndOutput && !writeNothing;
    std::optional<ThreadedOutput> fileSide;
    if (output) fileSide.emplace();
    std::optional<HelperThread> helper;
    if (threads != RunThreads::kOne)
      helper.emplace(&x, true, output ? &*fileSide : nullptr);
    o.result = ExtractAll(&x, ".\\");
  }
  if (o.result != kExtractFinished && o.result != kExtractCancelled) AbandonRun(&x);
  PosixSetRoot(AT_FDCWD);
  close(dirfd);
  o.where = std::string(x.nameInHand ? "" : "after ") + x.fullPath;
  o.failedPrefix = x.failedPrefix;
  o.detail = x.detail ? x.detail : "";
  o.files = x.filesDone;
  o.folders = x.foldersDone;
  return o;
}
