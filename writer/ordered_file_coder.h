// Codes file bodies on worker threads and hands them back in the order
// the items came in, so the archive is the same byte for byte whatever
// the number of threads or their timing: each body is a function of its
// job alone (see file_encoder.h).
//
// Items that need no coding (folders) travel in the same queue, to keep
// their place between the files. The queue is bounded both in items and
// in bytes held (file data waiting or being coded, the bodies growing
// meanwhile, and bodies not yet handed back), so memory stays bounded
// however many files an archive has.
#ifndef CORVANE_WRITER_ORDERED_FILE_CODER_H
#define CORVANE_WRITER_ORDERED_FILE_CODER_H

#include <stddef.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "writer/file_encoder.h"

class OrderedFileCoder {
 public:
  static const size_t kDefaultBytesHeld = (size_t)64 << 20;

  // Receives every item in input order: its tag and its coded body, or
  // null for an item without a job.
  using Deliver = std::function<void(size_t tag, const EncodedFile* coded)>;

  // threads <= 1 codes each file in the calling thread, inside Add.
  // maxBytesHeld bounds the file data and bodies held (one file larger
  // than that is let in alone).
  OrderedFileCoder(const LevelSettings& settings, int threads, Deliver deliver,
                   size_t maxBytesHeld = kDefaultBytesHeld);
  // Stops the workers; what was not delivered yet is dropped.
  ~OrderedFileCoder();

  // Queues an item; job is null for one that needs no coding. Delivers
  // what is finished at the head of the queue, and waits for the head
  // while too much is in flight.
  void Add(size_t tag, std::unique_ptr<FileJob> job);

  // Waits for everything queued and delivers it; more may be added
  // afterwards.
  void Finish();

  // The number of threads to use when the caller leaves it open (0).
  static int DefaultThreads();

 private:
  struct Item {
    size_t tag;
    std::unique_ptr<FileJob> job;  // dropped once coded
    EncodedFile file;
    size_t bytes = 0;  // counted against the byte bound
    bool coded = false;  // false for an item that had no job
    bool ready = false;
  };

  void Work();
  // Delivers finished items from the head; with `wait`, first waits for
  // the head to finish. Called with the lock held.
  void DeliverHead(std::unique_lock<std::mutex>* lock, bool wait);
  bool Full(size_t incoming) const;
  // Moves nextToStart_ past items that need no work (folders, which are
  // ready as they come), so that it always names a file not taken up
  // yet, or the end. Called with the lock held.
  void SkipReady();

  FileEncoder inlineEncoder_;  // for threads <= 1
  Deliver deliver_;
  std::vector<std::thread> workers_;
  std::mutex mutex_;
  std::condition_variable workAvailable_;
  std::condition_variable itemReady_;
  std::deque<Item> queue_;
  size_t firstSerial_ = 0;  // serial number of queue_.front()
  size_t nextToStart_ = 0;  // serial number of the next item to take up
  size_t bytesHeld_ = 0;
  size_t maxItems_ = 0;
  size_t maxBytesHeld_;
  bool stopping_ = false;
};

#endif
