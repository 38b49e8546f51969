// Item records written byte by byte for the tests of the reader.
#ifndef CORVANE_TESTS_UNIT_ITEM_BYTES_H
#define CORVANE_TESTS_UNIT_ITEM_BYTES_H

#include <string>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "engine/code_tree.h"
#include "tests/test_files.h"
#include "tests/test_host.h"

// A file entry: name bytes (with any "*" N prefix already in them), the
// three times, size, reference distance, K and the coded body.
inline void AppendFileEntry(Bytes* out, const Bytes& name, uint64_t creation,
                            uint64_t access, uint64_t write, int32_t size,
                            uint8_t distance, uint16_t shared,
                            const Bytes& body) {
  out->insert(out->end(), name.begin(), name.end());
  out->push_back(0);
  PutLE(out, creation, 8);
  PutLE(out, access, 8);
  PutLE(out, write, 8);
  PutLE(out, (uint32_t)size, 4);
  out->push_back(distance);
  if (distance) PutLE(out, shared, 2);
  out->insert(out->end(), body.begin(), body.end());
}

inline void AppendFolderEntry(Bytes* out, const Bytes& name) {
  out->insert(out->end(), name.begin(), name.end());
  out->push_back(0);
}

// Writes a program file holding the item stream and extracts it.
inline ExtractOutcome ExtractItems(const TempDir& dir, const Bytes& items,
                                   const std::string& dest) {
  ProgramFile p;
  p.blockStream = MakeBlockStream(items);
  WriteFileBytes(dir / "p.exe", MakeProgramFile(p));
  return ExtractProgramFile(dir / "p.exe", dest);
}

// Item streams extracted into the folder "out" of a fresh temporary one,
// with the test host reset.
class ItemsExtractionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetTestHost();
    out_ = dir_ / "out";
    mkdir(out_.c_str(), 0777);
  }
  ExtractOutcome Extract(const Bytes& items) { return ExtractItems(dir_, items, out_); }
  TempDir dir_;
  std::string out_;
};

// A FILETIME for a calendar second (seconds since 1970) and a fraction.
inline uint64_t FileTimeOf(int64_t unixSeconds, uint32_t hundredNs = 0) {
  return (uint64_t)(unixSeconds + 11644473600LL) * 10000000u + hundredNs;
}

// Writes bodies whose tokens all fall before the first rebuild after token
// 0, so every symbol has its code in the tree of equal counts.
class FirstTreeBodyWriter {
 public:
  FirstTreeBodyWriter() {
    ResetCodeTree(&tree_);
    BuildCodeTree(&tree_);
  }
  void Literal(uint8_t b) { Symbol(b); }
  // A match of length 257 to 4352 at distance 1 to 16.
  void LongMatch(int length, int distance) {
    Symbol(511);
    Bits((uint32_t)(length - 257), 12);
    Symbol(0);
    Bits((uint32_t)(distance - 1), 4);
  }
  Bytes Finish() {
    Bytes out = bytes_;
    if (used_) out.push_back(cur_);
    return out;
  }

 private:
  void Bit(int b) {
    cur_ |= (uint8_t)(b << used_);
    if (++used_ == 8) {
      bytes_.push_back(cur_);
      cur_ = 0;
      used_ = 0;
    }
  }
  void Bits(uint32_t v, int n) {
    for (int j = 0; j < n; j++) Bit((v >> j) & 1);
  }
  bool Path(int node, int symbol, std::string* bits) {
    const CodeNode& n = tree_.pool[node];
    if (n.firstChild == kNoChild) return n.symbol == symbol;
    for (int b = 0; b < 2; b++) {
      bits->push_back((char)('0' + b));
      if (Path(b ? n.secondChild : n.firstChild, symbol, bits)) return true;
      bits->pop_back();
    }
    return false;
  }
  void Symbol(int s) {
    std::string bits;
    Path(kRootNode, s, &bits);
    for (char c : bits) Bit(c - '0');
  }
  CodeTree tree_;
  Bytes bytes_;
  uint8_t cur_ = 0;
  int used_ = 0;
};

#endif
