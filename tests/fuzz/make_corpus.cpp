// Writes the seed corpora of the fuzz targets from a fixed seed:
//   OUT/round_trip/   tree descriptions (tree_description.h)
//   OUT/read_path/    control bytes and a payload that the writer made
//                     from each tree, as it stands and, for every other
//                     tree, as header and plain item stream to be resealed
// Usage: fuzz_make_corpus OUT
#include <stdio.h>
#include <sys/stat.h>

#include <random>
#include <string>
#include <vector>

#include "payload/block_reader.h"
#include "tests/fuzz/fuzz_keys.h"
#include "tests/fuzz/resealed_payload.h"
#include "tests/fuzz/tree_description.h"
#include "writer/archive_writer.h"

typedef std::vector<uint8_t> Bytes;

static std::mt19937 rng(20240611);

static int Below(int n) { return (int)(rng() % (uint32_t)n); }

static void Put(Bytes* b, uint64_t v, int n) {
  for (int i = 0; i < n; i++) b->push_back((uint8_t)(v >> (8 * i)));
}

// One tree description: the header byte, header texts and a few entries
// whose contents stay small, so that each seed is a few KB at most.
static Bytes Description(int number) {
  Bytes d;
  int keyIndex = number % kFuzzKeys;
  d.push_back((uint8_t)((number % 3) | keyIndex << 2 | Below(16) << 4));
  int descLen = Below(16), runLen = Below(16);
  d.push_back((uint8_t)(descLen | runLen << 4));
  for (int i = 0; i < descLen + runLen; i++) d.push_back((uint8_t)Below(256));
  int entries = 1 + Below(8);
  for (int e = 0; e < entries; e++) {
    bool folder = Below(4) == 0;
    int shape = Below(4);
    int mode = Below(8);
    d.push_back((uint8_t)(folder | shape << 1 | mode << 3));
    if (folder && shape == 3) continue;
    int levels = shape == 3 ? 3 : shape + 1;
    for (int l = 0; l < levels; l++) {
      int n = Below(6);
      d.push_back((uint8_t)n);
      for (int i = 0; i <= n; i++) d.push_back((uint8_t)Below(256));
    }
    if (folder) continue;
    Put(&d, 0x01D0000000000000ull + rng(), 8);
    switch (mode) {
      case 0: break;
      case 2: {
        int pattern = Below(8);
        d.push_back((uint8_t)pattern);
        for (int i = 0; i <= pattern; i++) d.push_back((uint8_t)('a' + Below(4)));
        Put(&d, (uint64_t)Below(20000), 2);
        break;
      }
      case 3: {
        d.push_back((uint8_t)Below(256));
        int tail = Below(64);
        d.push_back((uint8_t)tail);
        for (int i = 0; i < tail; i++) d.push_back((uint8_t)Below(256));
        break;
      }
      case 4:
        d.push_back((uint8_t)Below(256));
        Put(&d, (uint64_t)Below(65536), 2);
        d.push_back((uint8_t)Below(256));
        break;
      case 5:
        Put(&d, rng(), 4);
        Put(&d, (uint64_t)Below(1500), 2);
        break;
      default: {
        int n = Below(600);
        Put(&d, (uint64_t)n, 2);
        for (int i = 0; i < n; i++) d.push_back((uint8_t)"the quick brown fox "[Below(20)]);
        break;
      }
    }
  }
  return d;
}

// The payload with its block stream taken apart again: header, then the
// plain item stream.
static Bytes Unsealed(const Bytes& payload, const std::string& key) {
  size_t flagsAt = 0;
  size_t at = HeaderEnd(payload, 0, &flagsAt);
  Bytes out(payload.begin(), payload.begin() + (ptrdiff_t)at);
  bool keyed = payload[flagsAt] != 0 && !key.empty();
  size_t keyPos = 0;
  while (at < payload.size()) {
    size_t n = std::min<size_t>(kBlockData, payload.size() - at - 2);
    for (size_t i = 0; i < n; i++) {
      uint8_t b = payload[at + i];
      if (keyed) b ^= (uint8_t)key[keyPos++ % key.size()];
      out.push_back(b);
    }
    at += n + 2;
  }
  return out;
}

static bool Save(const std::string& path, const Bytes& b) {
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = fwrite(b.data(), 1, b.size(), f) == b.size();
  return fclose(f) == 0 && ok;
}

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: %s OUT\n", argv[0]);
    return 2;
  }
  std::string out = argv[1];
  mkdir(out.c_str(), 0777);
  mkdir((out + "/round_trip").c_str(), 0777);
  mkdir((out + "/read_path").c_str(), 0777);
  const int kTrees = 24;
  for (int t = 0; t < kTrees; t++) {
    Bytes desc = Description(t);
    TreeDescription tree = DescribeTree(desc.data(), desc.size());
    Bytes payload;
    std::string error;
    if (!BuildPayload(tree.entries, tree.options, &payload, nullptr, &error)) {
      fprintf(stderr, "tree %d: %s\n", t, error.c_str());
      return 1;
    }
    char name[64];
    snprintf(name, sizeof name, "/round_trip/tree-%02d", t);
    if (!Save(out + name, desc)) return 1;
    // Control bytes: the tree's own password, the expected size kept
    // right as mutations change the length; some runs test only, some
    // expand twice with varied answers.
    uint8_t flags = (uint8_t)((t % kFuzzKeys) << 4 | 2 | (t % 5 == 4 ? 1 : 0));
    Bytes seed = {flags, (uint8_t)rng(), (uint8_t)(t % 3 == 2 ? 0x80 : 0)};
    Bytes as = seed;
    as.insert(as.end(), payload.begin(), payload.end());
    snprintf(name, sizeof name, "/read_path/archive-%02d", t);
    if (!Save(out + name, as)) return 1;
    if (t % 2) continue;
    Bytes plain = seed;
    plain[0] |= 4;
    Bytes unsealed = Unsealed(payload, tree.options.password);
    plain.insert(plain.end(), unsealed.begin(), unsealed.end());
    snprintf(name, sizeof name, "/read_path/plain-%02d", t);
    if (!Save(out + name, plain)) return 1;
  }
  return 0;
}
