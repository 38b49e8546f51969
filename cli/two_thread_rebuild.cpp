#include "cli/two_thread_rebuild.h"

#include <sched.h>

#include "engine/decode_table.h"
#include "engine/symbol_decoder.h"

namespace {

TwoThreadRebuild* current = nullptr;

// Long enough (some milliseconds) to bridge the gap between two rebuild
// points across a run of small files, which have none, and their output:
// waking a sleeping thread costs more than a rebuild. The helper then
// sleeps until the next request.
const int kSpinsBeforeSleep = 1 << 18;

inline void Pause() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#endif
}

bool HasSecondProcessor() {
  cpu_set_t set;
  if (sched_getaffinity(0, sizeof set, &set) != 0) return false;
  return CPU_COUNT(&set) >= 2;
}

}  // namespace

TwoThreadRebuild::TwoThreadRebuild(Extraction* x, bool wanted) : x_(x) {
  if (!wanted || current != nullptr || !HasSecondProcessor()) return;
  current = this;
  x->rebuildTrees = &TwoThreadRebuild::Rebuild;
  helper_ = std::thread([this] { Serve(); });
}

TwoThreadRebuild::~TwoThreadRebuild() {
  if (!helper_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
    requested_.store(++generation_);
  }
  wake_.notify_one();
  helper_.join();
  x_->rebuildTrees = nullptr;
  current = nullptr;
}

void TwoThreadRebuild::Serve() {
  uint32_t seen = 0;
  for (;;) {
    uint32_t want;
    int spins = 0;
    while ((want = requested_.load(std::memory_order_acquire)) == seen) {
      if (++spins < kSpinsBeforeSleep) {
        Pause();
        continue;
      }
      // The request is tested again under the lock after saying so; the
      // requester tests sleeping_ after storing its request, so one of the
      // two sees the other.
      std::unique_lock<std::mutex> lock(mutex_);
      sleeping_.store(true);
      wake_.wait(lock, [&] { return requested_.load() != seen; });
      sleeping_.store(false);
      spins = 0;
    }
    seen = want;
    if (stop_) return;
    RebuildDistanceTree(work_);
    FillDecodeTable(&work_->distanceTree, &work_->distanceTable);
    done_.store(seen, std::memory_order_release);
  }
}

void TwoThreadRebuild::Rebuild(Extraction* x) {
  TwoThreadRebuild* self = current;
  ExtractionWork* w = x->work;
  self->work_ = w;
  uint32_t gen = ++self->generation_;
  self->requested_.store(gen);
  if (self->sleeping_.load()) {
    std::lock_guard<std::mutex> lock(self->mutex_);
    self->wake_.notify_one();
  }
  BuildCodeTree(&w->literalTree);
  FillDecodeTable(&w->literalTree, &w->literalTable);
  int spins = 0;
  while (self->done_.load(std::memory_order_acquire) != gen) {
    if (++spins < kSpinsBeforeSleep)
      Pause();
    else
      std::this_thread::yield();
  }
  // The decoder reads the table at random right away; have it all here.
  for (int i = 0; i < kTableSize; i += 32) __builtin_prefetch(&w->distanceTable.entry[i]);
}
