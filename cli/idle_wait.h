// Waiting for another thread: spinning first, since the waits between the
// threads of a run are mostly a few microseconds and waking a sleeping
// thread costs more than that; then sleeping, for the long ones (a
// question on the terminal, a run of small files with nothing to rebuild).
#ifndef CORVANE_CLI_IDLE_WAIT_H
#define CORVANE_CLI_IDLE_WAIT_H

#include <atomic>
#include <condition_variable>
#include <mutex>

inline void CpuPause() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#endif
}

// One waiting thread at a time; any thread may wake it. The waker makes
// the condition true first and then calls WakeIfAsleep; the sleeper says
// it sleeps before testing the condition again, so one of the two sees
// the other.
class IdleWait {
 public:
  // Some milliseconds of spinning.
  static const int kSpins = 1 << 18;

  template <typename Ready>
  void Until(Ready ready, int spins = kSpins) {
    for (int i = 0; i < spins; i++) {
      if (ready()) return;
      CpuPause();
    }
    std::unique_lock<std::mutex> lock(mutex_);
    asleep_.store(true);
    wake_.wait(lock, ready);
    asleep_.store(false);
  }

  void WakeIfAsleep() {
    if (!asleep_.load()) return;
    std::lock_guard<std::mutex> lock(mutex_);
    wake_.notify_one();
  }

 private:
  std::mutex mutex_;
  std::condition_variable wake_;
  std::atomic<bool> asleep_{false};
};

#endif
