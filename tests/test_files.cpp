// Files, folders, hand-made program files and extractions for the tests.
#include "tests/test_files.h"

#include <fcntl.h>
#include <iconv.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "cli/file_side_thread.h"
#include "engine/disk_output.h"
#include "engine/no_output.h"
#include "payload/crc16.h"
#include "platform/host_platform.h"
#include "tests/test_host.h"

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

ExtractOutcome ExtractProgramFile(const std::string& programPath,
                                  const std::string& destDir, const Bytes& key,
                                  bool writeNothing,
                                  bool (*decodeBody)(Extraction*, int32_t),
                                  const OutputSink* given) {
  ExtractOutcome o;
  o.result = kExtractReadFailed;
  static char description[65536], runCommand[4096];
  auto a = std::make_unique<Archive>();
  a->header.description = description;
  a->header.descriptionCap = sizeof description - 1;
  a->header.runCommand = runCommand;
  a->header.runCommandCap = sizeof runCommand - 1;
  if (OpenArchive(a.get(), programPath.c_str()) != kHeaderRead) {
    CloseArchive(a.get());
    return o;
  }
  // The key goes in unchecked: the tests see a wrong one caught by the
  // blocks' check.
  a->key = key.data();
  a->keyLen = (int32_t)key.size();
  if (given) writeNothing = true;
  OsRoot* root = writeNothing ? nullptr : OsOpenRoot(destDir.c_str());
  if (!writeNothing && !root) {
    CloseArchive(a.get());
    o.result = kExtractWriteFailed;
    return o;
  }
  DiskOutput disk;
  BeginDiskOutput(&disk, root);
  OutputSink sink = given ? *given : writeNothing ? NoOutputSink() : DiskOutputSink(&disk);
  EngineHost host = TestEngineHost(&CurrentTestHost());
  a->run.decodeBody = decodeBody;
  o.result = CurrentTestHost().fileSideThread
                 ? FileSideThread::RunArchive(a.get(), ".\\", &sink, &host)
                 : RunArchive(a.get(), ".\\", &sink, &host);
  if (IsFatal(o.result)) AbandonArchive(a.get());
  OsCloseRoot(root);
  const Extraction& x = a->run;
  o.where = std::string(x.nameInHand ? "" : "after ") + x.fullPath;
  o.failedPrefix = x.failedPrefix;
  o.detail = x.detail ? x.detail : "";
  o.files = x.filesDone;
  o.folders = x.foldersDone;
  return o;
}

bool IsUtf8(const std::string& text) {
  iconv_t cd = iconv_open("UTF-32LE", "UTF-8");
  if (cd == (iconv_t)-1) return false;
  std::string copy = text;
  char* in = &copy[0];
  size_t inLeft = copy.size();
  std::string out(copy.size() * 4 + 4, '\0');
  char* outp = &out[0];
  size_t outLeft = out.size();
  size_t r = iconv(cd, &in, &inLeft, &outp, &outLeft);
  iconv_close(cd);
  return r != (size_t)-1 && inLeft == 0;
}
