// Files, folders and hand-made program files for the tests.
#ifndef CORVANE_TESTS_TEST_FILES_H
#define CORVANE_TESTS_TEST_FILES_H

#include <stdint.h>

#include <map>
#include <string>
#include <vector>

#include "engine/archive.h"

typedef std::vector<uint8_t> Bytes;

// A fresh folder under the system's temporary folder, removed with all it
// holds when the object goes.
class TempDir {
 public:
  TempDir();
  // Below another folder than the system's temporary folder.
  explicit TempDir(const std::string& parent);
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& rel) const { return path_ + "/" + rel; }

 private:
  std::string path_;
};

void WriteFileBytes(const std::string& path, const Bytes& bytes);
Bytes ReadFileBytes(const std::string& path);

// Whether text is well-formed UTF-8, by the C library's converter rather
// than any decoder under test.
bool IsUtf8(const std::string& text);

// Every file (its bytes) and folder (a "/") below root, by relative path,
// read without touching access times, which tests compare afterwards.
std::map<std::string, Bytes> TreeContents(const std::string& root);
bool PathExists(const std::string& path);

// The block stream of `data`, made here with the bit-serial CRC and the key
// cycled by hand, independently of the reader under test.
Bytes MakeBlockStream(const Bytes& data, const Bytes& key = Bytes());

// A program file: a stub of 26112 zero bytes, then the header and the
// block stream, with expectedSize set to the whole length plus `sizeSkew`.
struct ProgramFile {
  std::string description;
  std::string runCommand;
  uint8_t flags = 0;
  uint16_t checkValue = 0;  // stored combined with the flags
  Bytes blockStream;
  int32_t sizeSkew = 0;
};
Bytes MakeProgramFile(const ProgramFile& p);

// Extracts a program file on disk below destDir through the core, as the
// tools do: header, password, block stream, ExtractAll, and on a fatal
// result the clean-up of a fatal end.
struct ExtractOutcome {
  ExtractResult result;
  // The item the run ended at, as the tools name it in their messages:
  // its full path, or "after " the last one when its name was not read.
  std::string where;
  std::string failedPrefix;
  std::string detail;
  int64_t files = 0;
  int64_t folders = 0;
};
// The engine's host is the current TestHost (tests/test_host.h). A sink
// given takes the place of the files on disk (destDir is then not used).
ExtractOutcome ExtractProgramFile(const std::string& programPath,
                                  const std::string& destDir,
                                  const Bytes& key = Bytes(),
                                  bool writeNothing = false,
                                  bool (*decodeBody)(Extraction*, int32_t) = nullptr,
                                  const OutputSink* sink = nullptr);

// Bytes from a string literal, which may hold zero bytes.
template <size_t N>
Bytes B(const char (&s)[N]) {
  return Bytes(s, s + N - 1);
}
inline Bytes B(const std::string& s) { return Bytes(s.begin(), s.end()); }

// Appends little-endian integers.
void PutLE(Bytes* b, uint64_t v, int bytes);

#endif
