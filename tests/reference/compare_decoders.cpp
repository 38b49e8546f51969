// Extracts one archive twice, with the engine's decoder and with the plain
// one, and compares
// the two trees byte for byte. For archives too large for the test suite
// (the benchmark's corpora).
//   compare_decoders ARCHIVE [WORK_DIR]
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <string>

#include "tests/reference/plain_decoder.h"
#include "tests/test_files.h"
#include "tests/test_host.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: compare_decoders ARCHIVE [WORK_DIR]\n");
    return 2;
  }
  std::string work = argc > 2 ? argv[2] : (fs::temp_directory_path() / "corvane-compare").string();
  fs::remove_all(work);
  std::string fastDir = work + "/fast", plainDir = work + "/plain";
  fs::create_directories(fastDir);
  fs::create_directories(plainDir);

  ResetTestHost();
  ExtractOutcome fast = ExtractProgramFile(argv[1], fastDir);
  ResetTestHost();
  ExtractOutcome plain = ExtractProgramFile(argv[1], plainDir, Bytes(), false, PlainDecodeFileBody);
  bool same = fast.result == plain.result && fast.detail == plain.detail &&
              fast.files == plain.files;
  std::map<std::string, Bytes> a = TreeContents(fastDir), b = TreeContents(plainDir);
  uint64_t bytes = 0;
  for (const auto& [name, data] : a) bytes += data.size();
  if (a != b) {
    same = false;
    for (const auto& [name, data] : a)
      if (!b.count(name) || b[name] != data) {
        fprintf(stderr, "differs: %s\n", name.c_str());
        break;
      }
  }
  fs::remove_all(work);
  if (!same) {
    fprintf(stderr, "compare_decoders: the decoders DISAGREE on %s (results %d / %d)\n",
            argv[1], (int)fast.result, (int)plain.result);
    return 1;
  }
  printf("compare_decoders: %s: same result, %zu entries, %llu bytes from both decoders\n",
         argv[1], a.size(), (unsigned long long)bytes);
  return 0;
}
