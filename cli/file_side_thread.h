// The file side of an extraction on a second thread: the engine decodes on
// the calling thread into a recording sink, and a second thread plays the
// record into the real sink and host (folders, files, their bytes and
// times, the questions and the status) in the same order. Making and
// writing files costs the system about as much as decoding them does; the
// two halves overlap.
//
// The result is what the run would have given on one thread: everything
// that shows (files, messages, questions, their order) comes from the
// second thread alone, and the first failure there decides the run, even
// where the decoding thread has already read on. The decoding thread looks
// at nothing the file side decides (an overwrite answer, a failed write)
// but is stopped soon after the file side stops.
//
// Hand-overs go in batches of about half a megabyte or a thousand calls,
// so that neither thread waits per file, and neither spins: a thread with
// nothing to do sleeps on a condition variable.
#ifndef CORVANE_CLI_FILE_SIDE_THREAD_H
#define CORVANE_CLI_FILE_SIDE_THREAD_H

#include <stdint.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/archive.h"

class FileSideThread {
 public:
  // RunArchive with the files on a second thread; the same contract, and
  // a->run's item, path and counts those of the point where the run ended
  // as on one thread. sink and host: what a run on one thread would be
  // given; they outlive the run and its abandon. The host's pumpMessages
  // runs on the decoding thread, with the engine's own state; everything
  // else of both on the second thread. Where no thread can be had, the
  // run goes on one.
  static ExtractResult RunArchive(Archive* a, const char* destFolder, const OutputSink* sink,
                                  const EngineHost* host);

  // Whether the machine has a processor for the second thread.
  static bool Pays();

  ~FileSideThread();

 private:
  enum Kind : uint8_t { kItem, kFolder, kBeginFile, kWrite, kEndFile };

  // The second thread starts here.
  FileSideThread(const OutputSink* sink, const EngineHost* host);
  // After RunArchive, before anything reads the run: waits for the file
  // side to finish, and gives the run the result, item and counts of one
  // thread, and its sink and host back (for AbandonArchive).
  ExtractResult Finish(Archive* a, ExtractResult decodingResult);

  // Recording, on the decoding thread.
  static ExtractResult RecordFolder(void* self, Extraction* x);
  static ExtractResult RecordBeginFile(void* self, Extraction* x);
  static bool RecordWrite(void* self, const uint8_t* bytes, int32_t n);
  static ExtractResult RecordEndFile(void* self, Extraction* x);
  static void Abandon(void* self, Extraction* x);
  static void RecordItem(void* self, const Extraction* x);
  static void Pump(void* self, Extraction* x);
  void Put(const void* p, size_t n);
  void PutMoment(Kind kind, const Extraction* x);
  void Recorded();
  void Record(Kind kind, const Extraction* x);  // a call with no bytes
  // Whether the file side has stopped; the engine is then asked to stop.
  bool StopNoted(Extraction* x);
  void AfterItem(const Extraction* x);
  void HandOver();
  void WaitUntilIdle();
  // Lets the file side play what it has and end, and waits for it.
  void Join();

  // Playing, on the second thread.
  void Serve();
  void Play(const std::vector<uint8_t>& batch);
  void Stop(ExtractResult result);

  const OutputSink* real_;
  const EngineHost* realHost_;
  // Handed to the engine in place of the real ones.
  OutputSink recording_;
  EngineHost recordingHost_;

  // The decoding thread's side.
  std::vector<uint8_t> filling_;
  int callsFilled_ = 0;
  Extraction* run_ = nullptr;

  // Shared, under mutex_.
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::vector<uint8_t>> pending_;
  std::vector<std::vector<uint8_t>> spare_;
  bool playing_ = false;
  bool closing_ = false;
  // Set by the file side when the run ends there; the decoding thread
  // looks at it at every call it records.
  std::atomic<bool> stopped_{false};

  // The file side's own view of the run, as the engine's would be.
  Extraction shadow_;
  BlockReader shadowReader_;
  ExtractResult stopResult_ = kExtractFinished;
  int stopError_ = 0;

  std::thread thread_;
};

#endif
