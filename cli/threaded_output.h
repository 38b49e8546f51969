// The file side of corvane's extractions on the helper thread. The run's
// thread reads and decodes; each item goes through a ring of records to
// the helper, which makes its folders, asks its question, creates, writes,
// stamps, closes and moves its file, calling the engine's own file-side
// functions in the order a run on one thread calls them. Creating and
// closing thousands of small files costs about as much as decoding them,
// so the two overlap.
//
// Results are those of a run on one thread, in files, messages and exit
// code: the file side works through the items in stream order, and its
// first failure, or its Cancel, is the run's end. Whatever the run's
// thread has decoded past that point is dropped unwritten. A failure of
// the stream (damage, a failed read) is handed over as a record of its
// own behind the items before it, so the file side ends there with it, at
// the item it reached, with that item's output file left for AbandonRun.
#ifndef CORVANE_CLI_THREADED_OUTPUT_H
#define CORVANE_CLI_THREADED_OUTPUT_H

#include <atomic>
#include <functional>
#include <memory>

#include "cli/idle_wait.h"
#include "cli/record_ring.h"
#include "engine/extraction.h"
#include "payload/block_reader.h"

class ThreadedOutput {
 public:
  // The ring holds a few hundred small files, and keeps the extraction's
  // memory small whatever the archive's size.
  static const size_t kRingBytes = 2 << 20;

  ThreadedOutput();
  ~ThreadedOutput();
  ThreadedOutput(const ThreadedOutput&) = delete;
  ThreadedOutput& operator=(const ThreadedOutput&) = delete;

  // Takes over x's file side (x->deferredOutput); `wakeServer` is the
  // helper's wait, to wake it when records come. One at a time.
  void Install(Extraction* x, IdleWait* wakeServer);
  void Uninstall();

  // On the helper: handles the oldest record, if any. False when there
  // was none.
  bool ServeOne();
  bool HasWork() const { return !ring_.empty(); }

  // Called on the helper after each piece of a file is written, with the
  // item in hand (its reader gives the archive position reached): for a
  // progress display.
  std::function<void(Extraction*)> onProgress;

 private:
  enum Kind : uint32_t { kFolder, kBegin, kData, kEnd, kStop };
  struct Head {
    Kind kind;
    int32_t value;    // kStop: the stream's result
    int64_t filePos;  // the archive position when handed over
  };
  struct ItemHead {
    ItemRecord item;
    int32_t fullPathLen;
    int32_t nameLen;
    bool cancelled;  // kStop: the run was cancelled on the stream side
  };

  // The hooks of DeferredOutput, on the run's thread.
  static bool HandFolder(Extraction* x);
  static bool HandBegin(Extraction* x, const uint8_t* shared);
  static bool HandData(void* x, const uint8_t* bytes, int32_t n);
  static bool HandEnd(Extraction* x);
  static ExtractResult Finish(Extraction* x, ExtractResult streamResult);

  // Room for a record with `payload` bytes after its head, waiting for the
  // helper to free it; null once the file side has ended.
  uint8_t* Reserve(Kind kind, size_t payload, int32_t value = 0);
  bool HandItem(Kind kind, Extraction* x, const uint8_t* extra, int32_t extraLen);
  void Commit();

  // On the helper.
  void Serve(const Head& h, const uint8_t* payload, size_t n);
  void LoadItem(const uint8_t* payload);
  bool WriteOut(const uint8_t* bytes, int32_t n);
  void EndOn(ExtractResult result, bool cancelled);
  // The file side ends on a result of its own, before the stream's end.
  void EndOnItsOwn(ExtractResult result);

  RecordRing ring_;
  Extraction* x_ = nullptr;          // the run's
  std::unique_ptr<Extraction> io_;   // the file side's item and output file
  BlockReader position_;             // io_'s reader: only the position is set
  IdleWait* server_ = nullptr;
  IdleWait producerWait_;            // the run's thread, for room or the end
  DeferredOutput hooks_;

  // The file side's state, on the helper.
  bool inFile_ = false;
  bool bodyWriteFailed_ = false;
  // Set once by the helper when the file side ends; the rest is read by
  // the run's thread only after it sees ended_.
  std::atomic<bool> ended_{false};
  bool endedOnItsOwn_ = false;
  ExtractResult result_ = kExtractFinished;
  bool cancelled_ = false;
  int error_ = 0;
};

#endif
