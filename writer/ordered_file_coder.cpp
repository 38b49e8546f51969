// File bodies coded on worker threads, handed back in input order.
#include "writer/ordered_file_coder.h"

#include <utility>

// Items queued per worker: enough that a worker never waits for the
// reading thread while small files go by.
static const size_t kItemsPerWorker = 16;

int OrderedFileCoder::DefaultThreads() {
  unsigned n = std::thread::hardware_concurrency();
  return n == 0 ? 1 : (int)n;
}

OrderedFileCoder::OrderedFileCoder(const LevelSettings& settings, int threads,
                                   Deliver deliver, size_t maxBytesHeld)
    : inlineEncoder_(settings), deliver_(std::move(deliver)), maxBytesHeld_(maxBytesHeld) {
  if (threads <= 1) return;
  maxItems_ = kItemsPerWorker * (size_t)threads;
  for (int i = 0; i < threads; i++)
    workers_.emplace_back([this, settings] {
      FileEncoder encoder(settings);
      for (;;) {
        Item* item;
        {
          std::unique_lock<std::mutex> lock(mutex_);
          workAvailable_.wait(lock, [this] {
            return stopping_ || nextToStart_ < firstSerial_ + queue_.size();
          });
          if (stopping_) return;
          item = &queue_[nextToStart_ - firstSerial_];
          nextToStart_++;
          SkipReady();
        }
        // The item stays where it is: only finished items leave the
        // queue, and the deque keeps the others in place when it grows.
        encoder.Encode(*item->job, &item->file);
        std::lock_guard<std::mutex> lock(mutex_);
        bytesHeld_ -= item->bytes;
        item->job.reset();
        item->bytes = item->file.body.size();
        bytesHeld_ += item->bytes;
        item->ready = true;
        itemReady_.notify_all();
      }
    });
}

OrderedFileCoder::~OrderedFileCoder() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  workAvailable_.notify_all();
  for (std::thread& t : workers_) t.join();
}

void OrderedFileCoder::SkipReady() {
  while (nextToStart_ < firstSerial_ + queue_.size() &&
         queue_[nextToStart_ - firstSerial_].ready)
    nextToStart_++;
}

bool OrderedFileCoder::Full(size_t incoming) const {
  if (queue_.empty()) return false;
  return queue_.size() >= maxItems_ || bytesHeld_ + incoming > maxBytesHeld_;
}

void OrderedFileCoder::DeliverHead(std::unique_lock<std::mutex>* lock, bool wait) {
  if (wait) itemReady_.wait(*lock, [this] { return queue_.front().ready; });
  while (!queue_.empty() && queue_.front().ready) {
    Item item = std::move(queue_.front());
    queue_.pop_front();
    firstSerial_++;
    bytesHeld_ -= item.bytes;
    // Delivery writes the archive; the workers go on meanwhile.
    lock->unlock();
    deliver_(item.tag, item.coded ? &item.file : nullptr);
    lock->lock();
  }
}

void OrderedFileCoder::Add(size_t tag, std::unique_ptr<FileJob> job) {
  if (workers_.empty()) {
    if (!job) {
      deliver_(tag, nullptr);
      return;
    }
    EncodedFile file;
    inlineEncoder_.Encode(*job, &file);
    job.reset();
    deliver_(tag, &file);
    return;
  }
  // A job holds its data until it is coded, and its body grows meanwhile
  // to about as much: counted as twice the data from the start.
  size_t incoming = job ? 2 * job->data.size() : 0;
  std::unique_lock<std::mutex> lock(mutex_);
  DeliverHead(&lock, false);
  while (Full(incoming)) DeliverHead(&lock, true);
  Item item;
  // Room for the body is made here, on the reading thread, for about as
  // much as the data and then some (random data grows a little): the
  // allocator keeps a heap per thread, and bodies grown on the workers
  // would leave the largest ones behind in every worker's heap.
  if (job) item.file.body.reserve(job->data.size() + job->data.size() / 8 + 1024);
  item.tag = tag;
  item.coded = job != nullptr;
  item.ready = !job;
  item.bytes = incoming;
  item.job = std::move(job);
  bytesHeld_ += incoming;
  queue_.push_back(std::move(item));
  SkipReady();
  lock.unlock();
  workAvailable_.notify_one();
}

void OrderedFileCoder::Finish() {
  if (workers_.empty()) return;
  std::unique_lock<std::mutex> lock(mutex_);
  while (!queue_.empty()) DeliverHead(&lock, true);
}
