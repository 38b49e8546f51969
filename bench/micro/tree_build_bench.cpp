// The cost of a rebuild point: both the tree build and the decode table,
// over counts that grow the way a body's do (a skewed literal alphabet,
// builds every 256 tokens up to 2048, then every 1024).
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "engine/code_tree.h"
#include "engine/decode_table.h"

namespace {

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
// as in the bodies of a tree of source files (about 400 of the 512 literal
// leaves at a rebuild point of /usr/include).
BENCHMARK(RebuildPoints)
    ->Args({1024, 0, 300})->Args({8192, 0, 300})->Args({1024, 1, 300})->Args({1024, 2, 300})
    ->Args({8192, 1, 300})->Args({1536, 0, 100})->Args({1536, 1, 100});



}  // namespace

BENCHMARK_MAIN();
