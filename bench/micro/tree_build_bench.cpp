// The cost of a rebuild point: both the tree build and the decode table.
// Two sources of counts: the count sequences of real bodies, taken from an
// archive given with --archive=FILE (every rebuild point of every body, as
// the decoder met them), and synthetic counts that grow the way a body's
// do (a skewed alphabet, builds every 256 tokens up to 2048, then every
// 1024).
//
//   tree_build_bench --archive=inc.exe [benchmark options]
#include <benchmark/benchmark.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/archive.h"
#include "engine/code_tree.h"
#include "engine/decode_table.h"
#include "engine/no_output.h"

namespace {

// ---- Counts of real bodies ----

// One rebuild point of a real body: the counts that moved since the last
// one, each as symbol << 16 | increase, literal tree first.
struct RecordedPoint {
  bool bodyStart;  // the first rebuild after token 0: both trees start afresh
  uint32_t literalMoves, distanceMoves;
};

struct Recording {
  std::vector<RecordedPoint> points;
  std::vector<uint32_t> moves;
  // What the last rebuild point of the body in hand saw.
  int32_t literal[kSymbols], distance[kSymbols];
  bool inBody = false;
  size_t maxPoints = 0;
};

void TakeMoves(const int32_t* now, int32_t* before, std::vector<uint32_t>* moves,
               uint32_t* n) {
  for (int s = 0; s < kSymbols; s++) {
    if (now[s] == before[s]) continue;
    moves->push_back((uint32_t)s << 16 | (uint32_t)(now[s] - before[s]));
    before[s] = now[s];
    (*n)++;
  }
}

// The decoder calls the host at every rebuild point, right after it has
// rebuilt both trees: their counts are then the counts of that build. At
// token 0 (literal counts summing to 512) a body begins and nothing is
// built.
void RecordPoint(void* context, Extraction* x) {
  Recording* r = (Recording*)context;
  const int32_t* lit = x->work->literalTree.counts;
  int64_t sum = 0;
  for (int s = 0; s < kSymbols; s++) sum += lit[s];
  if (sum == kSymbols) {
    r->inBody = false;
    return;
  }
  if (r->points.size() >= r->maxPoints) return;
  RecordedPoint p = {!r->inBody, 0, 0};
  if (!r->inBody) {
    for (int s = 0; s < kSymbols; s++) r->literal[s] = r->distance[s] = 1;
    r->inBody = true;
  }
  TakeMoves(lit, r->literal, &r->moves, &p.literalMoves);
  TakeMoves(x->work->distanceTree.counts, r->distance, &r->moves, &p.distanceMoves);
  r->points.push_back(p);
}

OverwriteAnswer AnswerYes(void*, const Extraction*) { return kOverwriteYes; }
void NoStatus(void*, const Extraction*, StatusKind) {}

bool RecordArchive(const char* path, Recording* r) {
  auto a = std::make_unique<Archive>();
  static char description[kDescriptionHeld + 1], runCommand[kRunCommandHeld + 1];
  memset(&a->header, 0, sizeof a->header);
  a->header.description = description;
  a->header.descriptionCap = kDescriptionHeld;
  a->header.runCommand = runCommand;
  a->header.runCommandCap = kRunCommandHeld;
  if (OpenArchive(a.get(), path) != kHeaderRead) return false;
  if (a->header.protection.isProtected) return false;
  OutputSink sink = NoOutputSink();
  EngineHost host = {r, AnswerYes, NoStatus, RecordPoint, 0};
  ExtractResult result = RunArchive(a.get(), "", &sink, &host);
  if (result != kExtractFinished) {
    AbandonArchive(a.get());
    return false;
  }
  CloseArchive(a.get());
  return true;
}

void ApplyMoves(CodeTree* t, const uint32_t* m, uint32_t n) {
  for (uint32_t k = 0; k < n; k++) t->counts[m[k] >> 16] += (int32_t)(m[k] & 0xFFFF);
}

// Arguments: 0 build and table, 1 build only, 3 counts only (what the
// replay itself costs, to be taken off the others).
void RealRebuildPoints(benchmark::State& state, const Recording* r) {
  auto lit = std::make_unique<CodeTree>();
  auto dist = std::make_unique<CodeTree>();
  auto table = std::make_unique<DecodeTable>();
  const int mode = (int)state.range(0);
  int64_t trees = 0;
  for (auto _ : state) {
    const uint32_t* m = r->moves.data();
    for (const RecordedPoint& p : r->points) {
      if (p.bodyStart) {
        ResetCodeTree(lit.get());
        ResetCodeTree(dist.get());
      }
      ApplyMoves(lit.get(), m, p.literalMoves);
      m += p.literalMoves;
      ApplyMoves(dist.get(), m, p.distanceMoves);
      m += p.distanceMoves;
      if (mode != 3) {
        BuildCodeTree(lit.get());
        if (mode == 0) FillDecodeTable(lit.get(), table.get());
        BuildCodeTree(dist.get());
        if (mode == 0) FillDecodeTable(dist.get(), table.get());
      }
      benchmark::DoNotOptimize(table->entry[0]);
    }
    trees += 2 * (int64_t)r->points.size();
  }
  state.counters["ns/tree"] = benchmark::Counter(
      (double)trees, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// ---- Synthetic counts ----

// Symbols drawn with Zipf-like weights over a shuffled alphabet of `used`.
struct SymbolSource {
  std::mt19937 rng;
  std::vector<int> alphabet;
  std::discrete_distribution<int> pick;
  SymbolSource(uint32_t seed, int used) : rng(seed) {
    std::vector<double> w;
    for (int i = 0; i < used; i++) w.push_back(1.0 / std::pow(i + 1, 1.1));
    pick = std::discrete_distribution<int>(w.begin(), w.end());
    for (int i = 0; i < kSymbols; i++) alphabet.push_back(i);
    std::shuffle(alphabet.begin(), alphabet.end(), rng);
  }
  int Next() { return alphabet[pick(rng)]; }
};

void RebuildPoints(benchmark::State& state) {
  const int tokensPerFile = (int)state.range(0);
  SymbolSource source(1, (int)state.range(2));
  std::vector<int> symbols(1 << 20);
  for (int& s : symbols) s = source.Next();
  auto tree = std::make_unique<CodeTree>();
  auto table = std::make_unique<DecodeTable>();
  ResetCodeTree(tree.get());
  for (int k = 0; k < 2000; k++) CountSymbol(tree.get(), symbols[k]);
  BuildCodeTree(tree.get());  // a typical tree for the table-only runs
  size_t at = 0;
  int64_t builds = 0;
  for (auto _ : state) {
    if (state.range(1) != 2) ResetCodeTree(tree.get());
    for (int t = 0; t < tokensPerFile; t++) {
      if (t > 0 && (t & 255) == 0 && (t < 2048 || (t & 1023) == 0)) {
        if (state.range(1) != 2) BuildCodeTree(tree.get());
        if (state.range(1) != 1) FillDecodeTable(tree.get(), table.get());
        builds++;
      }
      CountSymbol(tree.get(), symbols[at++ & (symbols.size() - 1)]);
    }
    benchmark::DoNotOptimize(table->entry[0]);
  }
  state.counters["ns/build"] = benchmark::Counter(
      (double)builds, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
// Arguments: tokens per file; 0 build and table, 1 build only, 2 table
// only; symbols in use. With 100 in use most leaves keep their count of 1,
// as in the bodies of a tree of source files.
BENCHMARK(RebuildPoints)
    ->Args({1024, 0, 300})->Args({8192, 0, 300})->Args({1024, 1, 300})->Args({1024, 2, 300})
    ->Args({8192, 1, 300})->Args({1536, 0, 100})->Args({1536, 1, 100});

}  // namespace

int main(int argc, char** argv) {
  // Our own option first; the rest goes to Google Benchmark.
  std::string archive;
  size_t maxPoints = 200000;
  int kept = 1;
  for (int i = 1; i < argc; i++) {
    if (strncmp(argv[i], "--archive=", 10) == 0)
      archive = argv[i] + 10;
    else if (strncmp(argv[i], "--max-points=", 13) == 0)
      maxPoints = (size_t)atol(argv[i] + 13);
    else
      argv[kept++] = argv[i];
  }
  argc = kept;
  static Recording recording;
  if (!archive.empty()) {
    recording.maxPoints = maxPoints;
    if (!RecordArchive(archive.c_str(), &recording)) {
      fprintf(stderr, "tree_build_bench: cannot read the bodies of %s\n", archive.c_str());
      return 2;
    }
    size_t bodies = 0;
    for (const RecordedPoint& p : recording.points) bodies += p.bodyStart;
    fprintf(stderr, "tree_build_bench: %zu rebuild points of %zu bodies from %s, %zu moves\n",
            recording.points.size(), bodies, archive.c_str(), recording.moves.size());
    for (int mode : {0, 1, 3})
      benchmark::RegisterBenchmark("RealRebuildPoints", RealRebuildPoints, &recording)
          ->Arg(mode)
          ->Unit(benchmark::kMillisecond);
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
