#include "cli/helper_thread.h"

#include <sched.h>

#include "engine/decode_table.h"
#include "engine/symbol_decoder.h"
#include "platform/platform_posix.h"

namespace {

HelperThread* current = nullptr;

// The distance half of a rebuild point, on whichever thread claimed it.
void RebuildDistanceHalf(ExtractionWork* w) {
  RebuildDistanceTree(w);
  FillDecodeTable(&w->distanceTree, &w->distanceTable);
}

bool HasSecondProcessor() {
  cpu_set_t set;
  if (sched_getaffinity(0, sizeof set, &set) != 0) return false;
  return CPU_COUNT(&set) >= 2;
}

}  // namespace

HelperThread::HelperThread(Extraction* x, bool rebuild, ThreadedOutput* output)
    : x_(x), output_(output) {
  if ((!rebuild && !output) || current != nullptr || !HasSecondProcessor()) {
    output_ = nullptr;
    return;
  }
  current = this;
  if (rebuild) x->rebuildTrees = &HelperThread::Rebuild;
  if (output_) output_->Install(x, &idle_);
  thread_ = std::thread([this] { Serve(); });
}

HelperThread::~HelperThread() {
  if (!thread_.joinable()) return;
  stop_ = true;
  requested_.store(++generation_);
  idle_.WakeIfAsleep();
  thread_.join();
  if (output_) output_->Uninstall();
  x_->rebuildTrees = nullptr;
  current = nullptr;
}

bool HelperThread::Claim(uint32_t gen) {
  uint32_t previous = gen - 1;
  return claimed_.compare_exchange_strong(previous, gen);
}

bool HelperThread::ServeRebuild() {
  uint32_t want = requested_.load(std::memory_order_acquire);
  if (want == seen_) return false;
  seen_ = want;
  if (!stop_ && Claim(want)) {
    RebuildDistanceHalf(work_);
    done_.store(want, std::memory_order_release);
  }
  return true;
}

void HelperThread::Serve() {
  // A rebuild point that comes while a file is being made waits only for
  // the call under way, not for the rest of the file's calls.
  PosixSetBetweenCalls([](void* self) { ((HelperThread*)self)->ServeRebuild(); }, this);
  for (;;) {
    if (ServeRebuild()) {
      if (stop_) return;
      continue;
    }
    if (output_ && output_->ServeOne()) continue;
    idle_.Until([&] { return requested_.load() != seen_ || (output_ && output_->HasWork()); });
  }
}

void HelperThread::Rebuild(Extraction* x) {
  HelperThread* self = current;
  ExtractionWork* w = x->work;
  self->work_ = w;
  uint32_t gen = ++self->generation_;
  self->requested_.store(gen);
  self->idle_.WakeIfAsleep();
  BuildCodeTree(&w->literalTree);
  FillDecodeTable(&w->literalTree, &w->literalTable);
  if (self->Claim(gen)) {
    RebuildDistanceHalf(w);
    return;
  }
  // The helper is inside this very build: microseconds, unless it lost
  // its processor.
  for (int spins = 0; self->done_.load(std::memory_order_acquire) != gen; spins++) {
    if (spins < IdleWait::kSpins)
      CpuPause();
    else
      std::this_thread::yield();
  }
  // The decoder reads the table at random right away; have it all here.
  for (int i = 0; i < kTableSize; i += 32) __builtin_prefetch(&w->distanceTable.entry[i]);
}
