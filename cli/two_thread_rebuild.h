// The rebuild points of corvane's runs on two threads: a helper thread
// counts the logged distance symbols, rebuilds the distance tree and fills
// its table while the run's thread does the literal and length tree. The
// two builds share nothing, so the trees and tables are the ones the
// engine's own RebuildTrees leaves; only the time differs. The rebuild points are a few microseconds apart, too close
// for a sleeping thread to wake each time, so the helper waits spinning
// for a while before it sleeps.
#ifndef CORVANE_CLI_TWO_THREAD_REBUILD_H
#define CORVANE_CLI_TWO_THREAD_REBUILD_H

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include "engine/extraction.h"

class TwoThreadRebuild {
 public:
  // Installs itself as x->rebuildTrees when wanted and the machine has a
  // second processor for it; otherwise leaves x as it is. One at a time.
  explicit TwoThreadRebuild(Extraction* x, bool wanted = true);
  ~TwoThreadRebuild();
  TwoThreadRebuild(const TwoThreadRebuild&) = delete;
  TwoThreadRebuild& operator=(const TwoThreadRebuild&) = delete;

 private:
  static void Rebuild(Extraction* x);
  void Serve();

  Extraction* x_;
  std::thread helper_;
  std::atomic<uint32_t> requested_{0};
  std::atomic<uint32_t> done_{0};
  std::atomic<bool> sleeping_{false};
  bool stop_ = false;  // read by the helper after a request
  uint32_t generation_ = 0;
  ExtractionWork* work_ = nullptr;
  std::mutex mutex_;
  std::condition_variable wake_;
};

#endif
