// The second thread of corvane's runs. It serves two kinds of work:
//  - the rebuild points: it counts the logged distance symbols, rebuilds
//    the distance tree and fills its table while the run's thread does the
//    literal and length tree. The two builds share nothing, so the trees
//    and tables are the ones the engine's own RebuildTrees leaves. Either
//    thread may take the distance half: the run's thread takes it itself
//    when the helper has not started on it by the time the literal half is
//    done (it is inside a file call, or waking up), so the decoding never
//    waits for more than the rest of a build under way;
//  - the file side of an extraction (ThreadedOutput), between rebuilds,
//    which it also serves between the file calls of an item.
// The rebuild points are a few microseconds apart, too close for a
// sleeping thread to wake each time, so the helper spins for a while
// before it sleeps.
#ifndef CORVANE_CLI_HELPER_THREAD_H
#define CORVANE_CLI_HELPER_THREAD_H

#include <atomic>
#include <cstdint>
#include <thread>

#include "cli/idle_wait.h"
#include "cli/threaded_output.h"
#include "engine/extraction.h"

class HelperThread {
 public:
  // Starts when the machine has a second processor for it and there is
  // work for it; otherwise leaves x as it is, and the run stays on one
  // thread. Installs itself as x->rebuildTrees when `rebuild`, and the
  // output, if any, as x's file side. One at a time.
  HelperThread(Extraction* x, bool rebuild, ThreadedOutput* output = nullptr);
  ~HelperThread();
  HelperThread(const HelperThread&) = delete;
  HelperThread& operator=(const HelperThread&) = delete;

 private:
  static void Rebuild(Extraction* x);
  void Serve();
  // Serves a request not seen yet, if any (the distance half, unless the
  // run's thread has taken it); true when there was one.
  bool ServeRebuild();
  // Takes the distance half of generation `gen` unless the other thread
  // has; true when this thread is to do it.
  bool Claim(uint32_t gen);

  Extraction* x_;
  ThreadedOutput* output_;
  std::thread thread_;
  IdleWait idle_;
  std::atomic<uint32_t> requested_{0};
  std::atomic<uint32_t> claimed_{0};
  std::atomic<uint32_t> done_{0};
  std::atomic<bool> stop_{false};
  uint32_t generation_ = 0;
  uint32_t seen_ = 0;  // the helper's: the last request it looked at
  ExtractionWork* work_ = nullptr;
};

#endif
