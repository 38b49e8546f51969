// A small tree of folders and files read from a fuzz input.
#include "tests/fuzz/tree_description.h"

#include <random>

#include "tests/fuzz/fuzz_keys.h"
#include "tests/fuzz/input_cursor.h"

namespace {

const size_t kMaxEntries = 24;
// Keeps a run well inside the fuzzer's 1 s limit at level 3 under the
// sanitizers, even on a loaded machine.
const size_t kMaxTotalBytes = 48 * 1024;  // past one flush of the window

const char* const kAlphabet[] = {"a", "b", "c", "x", "y", "z", "A", "B", "0", "1",
                                 "_", "-", "\x95\x5C", "\x83\x5C", "\xB1"};
const int kLetters = sizeof kAlphabet / sizeof kAlphabet[0];

// Text for the header: printable ASCII, never a zero byte.
std::string HeaderText(InputCursor* in, int n) {
  std::string s;
  for (int i = 0; i < n; i++) s.push_back((char)(0x20 + in->Byte() % 95));
  return s;
}

std::vector<std::string> NameLevels(InputCursor* in, int levels) {
  std::vector<std::string> out;
  for (int l = 0; l < levels; l++) {
    std::string level;
    int n = 1 + in->Byte() % 6;
    for (int i = 0; i < n; i++) level += kAlphabet[in->Byte() % kLetters];
    out.push_back(level);
  }
  return out;
}

std::string Joined(const std::vector<std::string>& levels, size_t count) {
  std::string s;
  for (size_t i = 0; i < count; i++) s += (i ? "\\" : "") + levels[i];
  return s;
}

class TreeBuilder {
 public:
  explicit TreeBuilder(TreeDescription* t) : t_(t) {}

  // Adds the entry unless it clashes with what is there.
  void Add(const std::vector<std::string>& levels, bool isFolder, ArchiveEntry e) {
    for (size_t i = 1; i <= levels.size(); i++) {
      std::string prefix = Joined(levels, i);
      bool last = i == levels.size();
      if (files_.count(prefix)) return;                   // a file above, or twice
      if (last && !isFolder && t_->folders.count(prefix)) return;  // a folder there
      if (last && isFolder && named_.count(prefix)) return;  // the folder twice
    }
    for (size_t i = 1; i < levels.size(); i++) t_->folders.insert(Joined(levels, i));
    e.name = Joined(levels, levels.size());
    e.isFolder = isFolder;
    if (isFolder) {
      t_->folders.insert(e.name);
      named_.insert(e.name);
    } else {
      files_.insert(e.name);
    }
    t_->entries.push_back(std::move(e));
  }

  void AddRoot() {
    if (rootNamed_) return;
    rootNamed_ = true;
    ArchiveEntry e;
    e.name = ".";
    e.isFolder = true;
    t_->entries.push_back(e);
  }

  const std::vector<uint8_t>* EarlierFile(uint8_t pick) const {
    std::vector<const ArchiveEntry*> files;
    for (const ArchiveEntry& e : t_->entries)
      if (!e.isFolder) files.push_back(&e);
    return files.empty() ? nullptr : &files[pick % files.size()]->data;
  }

 private:
  TreeDescription* t_;
  std::set<std::string> files_, named_;
  bool rootNamed_ = false;
};

void TakeRaw(InputCursor* in, std::vector<uint8_t>* out, size_t n) {
  const uint8_t* from = in->here();
  n = in->Skip(n);
  out->insert(out->end(), from, from + n);
}

// The contents of a file, by the op's mode (bits 3-5).
std::vector<uint8_t> Contents(InputCursor* in, int mode, const TreeBuilder& tree) {
  std::vector<uint8_t> d;
  switch (mode) {
    case 0:  // empty
      break;
    case 2: {  // a short pattern repeated: long matches
      std::vector<uint8_t> pattern;
      TakeRaw(in, &pattern, 1 + in->Byte() % 8);
      size_t n = in->Number(2);
      if (pattern.empty()) break;
      for (size_t i = 0; i < n; i++) d.push_back(pattern[i % pattern.size()]);
      break;
    }
    case 3: {  // an earlier file and a tail: borrows from it
      if (const std::vector<uint8_t>* old = tree.EarlierFile(in->Byte())) d = *old;
      TakeRaw(in, &d, in->Byte());
      break;
    }
    case 4: {  // an earlier file with one byte changed
      if (const std::vector<uint8_t>* old = tree.EarlierFile(in->Byte())) d = *old;
      size_t at = in->Number(2);
      uint8_t b = in->Byte();
      if (!d.empty()) d[at % d.size()] ^= (uint8_t)(b | 1);
      break;
    }
    case 5: {  // incompressible bytes from a seed
      std::mt19937 rng((uint32_t)in->Number(4));
      size_t n = in->Number(2);
      for (size_t i = 0; i < n; i++) d.push_back((uint8_t)(rng() >> 24));
      break;
    }
    default:  // bytes of the input itself
      TakeRaw(in, &d, in->Number(2) & 0x3FFF);
      break;
  }
  return d;
}

}  // namespace

TreeDescription DescribeTree(const uint8_t* data, size_t size) {
  TreeDescription t;
  InputCursor in(data, size);
  uint8_t head = in.Byte();
  t.options.level = 1 + (head & 3) % 3;
  t.options.password = FuzzKey((head >> 2) & 3);
  t.options.protectionFlags = (uint8_t)(1 + (head >> 4));
  uint8_t lengths = in.Byte();
  t.options.description = HeaderText(&in, lengths & 15);
  t.options.runCommand = HeaderText(&in, lengths >> 4);

  TreeBuilder tree(&t);
  size_t total = 0;
  while (!in.empty() && t.entries.size() < kMaxEntries && total < kMaxTotalBytes) {
    uint8_t op = in.Byte();
    bool isFolder = op & 1;
    int shape = (op >> 1) & 3;
    if (isFolder && shape == 3) {
      tree.AddRoot();
      continue;
    }
    std::vector<std::string> levels = NameLevels(&in, shape == 3 ? 3 : shape + 1);
    ArchiveEntry e;
    if (!isFolder) {
      e.writeTime = in.Number(8);
      e.creationTime = e.writeTime ^ 0x0123456789ABCDEFull;
      e.accessTime = e.writeTime + 1;
      e.data = Contents(&in, (op >> 3) & 7, tree);
      if (total + e.data.size() > kMaxTotalBytes) e.data.resize(kMaxTotalBytes - total);
      total += e.data.size();
    }
    tree.Add(levels, isFolder, std::move(e));
  }
  return t;
}
