// The file side of an extraction on a second thread.
#include "cli/file_side_thread.h"

#include <string.h>

#include <memory>
#include <system_error>

#include "platform/host_platform.h"

namespace {

// A batch goes over when it holds this many bytes or calls; a write is at
// most 64 KB, so a batch stays under 600 KB, and three exist at most (one
// filling, one waiting, one playing).
const size_t kBatchBytes = 512 * 1024;
const int kBatchCalls = 1024;
const size_t kMaxPending = 1;

// What the engine's state is at a call, as far as the file side reads it.
struct Moment {
  int64_t filePos;
  int32_t streamPos;
  ReadStatus status;
  uint8_t cancelRequested;
};

// The fields of an item, taken when its record has been read.
struct ItemHead {
  ItemRecord item;
  int64_t fileSize;
  int32_t nameLen, fullPathLen, destLen;
  bool nameInHand;
};

class Reader {
 public:
  explicit Reader(const std::vector<uint8_t>& batch) : p_(batch.data()), end_(p_ + batch.size()) {}
  bool more() const { return p_ < end_; }
  template <typename T>
  T Take() {
    T v;
    memcpy(&v, p_, sizeof v);
    p_ += sizeof v;
    return v;
  }
  void Copy(void* to, size_t n) {
    memcpy(to, p_, n);
    p_ += n;
  }
  const uint8_t* Skip(size_t n) {
    const uint8_t* at = p_;
    p_ += n;
    return at;
  }

 private:
  const uint8_t* p_;
  const uint8_t* end_;
};

}  // namespace

FileSideThread::FileSideThread(const OutputSink* sink, const EngineHost* host)
    : real_(sink), realHost_(host) {
  recording_ = {this, RecordFolder, RecordBeginFile, RecordWrite, RecordEndFile, Abandon};
  recordingHost_ = {this, nullptr, nullptr, Pump, RecordItem};
  memset((void*)&shadow_, 0, sizeof shadow_);
  memset((void*)&shadowReader_, 0, sizeof shadowReader_);
  shadow_.reader = &shadowReader_;
  shadow_.host = host;
  shadow_.output = sink;
  filling_.reserve(kBatchBytes + 80 * 1024);
  thread_ = std::thread([this] { Serve(); });
}

FileSideThread::~FileSideThread() { Join(); }

void FileSideThread::Join() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closing_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

ExtractResult FileSideThread::RunArchive(Archive* a, const char* destFolder,
                                         const OutputSink* sink, const EngineHost* host) {
  std::unique_ptr<FileSideThread> fileSide;
  try {
    fileSide.reset(new FileSideThread(sink, host));
  } catch (const std::system_error&) {
    // No thread to be had: the run goes on one.
    return ::RunArchive(a, destFolder, sink, host);
  }
  return fileSide->Finish(
      a, ::RunArchive(a, destFolder, &fileSide->recording_, &fileSide->recordingHost_));
}

bool FileSideThread::Pays() { return std::thread::hardware_concurrency() >= 2; }

// --- The decoding thread -------------------------------------------------

void FileSideThread::Put(const void* p, size_t n) {
  const uint8_t* b = (const uint8_t*)p;
  filling_.insert(filling_.end(), b, b + n);
}

void FileSideThread::PutMoment(Kind kind, const Extraction* x) {
  Moment m = {x->reader->filePos, x->reader->streamPos, x->reader->status, x->cancelRequested};
  filling_.push_back(kind);
  Put(&m, sizeof m);
}

void FileSideThread::Record(Kind kind, const Extraction* x) {
  PutMoment(kind, x);
  Recorded();
}

// Each call is recorded whole before its batch may go.
void FileSideThread::Recorded() {
  if (filling_.size() >= kBatchBytes || ++callsFilled_ >= kBatchCalls) HandOver();
}

bool FileSideThread::StopNoted(Extraction* x) {
  if (!stopped_.load(std::memory_order_relaxed)) return false;
  x->cancelRequested = 1;
  return true;
}

void FileSideThread::HandOver() {
  if (filling_.empty()) return;
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return pending_.size() < kMaxPending; });
  pending_.push_back(std::move(filling_));
  if (spare_.empty()) {
    filling_ = std::vector<uint8_t>();
    filling_.reserve(kBatchBytes + 80 * 1024);
  } else {
    filling_ = std::move(spare_.back());
    spare_.pop_back();
  }
  callsFilled_ = 0;
  lock.unlock();
  changed_.notify_all();
}

void FileSideThread::WaitUntilIdle() {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return pending_.empty() && !playing_; });
}

void FileSideThread::RecordItem(void* self, const Extraction* x) {
  FileSideThread* t = (FileSideThread*)self;
  ItemHead h = {x->item, x->reader->fileSize, x->nameLen, x->fullPathLen, x->destLen,
                x->nameInHand};
  t->filling_.push_back(kItem);
  t->Put(&h, sizeof h);
  t->Put(x->name, (size_t)x->nameLen);
  t->Put(x->fullPath, (size_t)x->fullPathLen);
}

void FileSideThread::Pump(void* self, Extraction* x) {
  FileSideThread* t = (FileSideThread*)self;
  t->realHost_->pumpMessages(t->realHost_->context, x);
}

ExtractResult FileSideThread::RecordFolder(void* self, Extraction* x) {
  FileSideThread* t = (FileSideThread*)self;
  t->run_ = x;
  // The run ends as a cancel does; Finish gives it the file side's result.
  if (t->StopNoted(x)) return kExtractFinished;
  t->Record(kFolder, x);
  t->AfterItem(x);
  return kExtractFinished;
}

ExtractResult FileSideThread::RecordBeginFile(void* self, Extraction* x) {
  FileSideThread* t = (FileSideThread*)self;
  t->run_ = x;
  if (t->StopNoted(x)) return kExtractCancelled;
  t->Record(kBeginFile, x);
  return kExtractFinished;
}

bool FileSideThread::RecordWrite(void* self, const uint8_t* bytes, int32_t n) {
  FileSideThread* t = (FileSideThread*)self;
  // The decoder looks at the cancel at its next rebuild point.
  if (t->StopNoted(t->run_)) return true;
  t->PutMoment(kWrite, t->run_);
  t->Put(&n, sizeof n);
  t->Put(bytes, (size_t)n);
  t->Recorded();
  return true;
}

ExtractResult FileSideThread::RecordEndFile(void* self, Extraction* x) {
  FileSideThread* t = (FileSideThread*)self;
  if (t->StopNoted(x)) return kExtractFinished;
  t->Record(kEndFile, x);
  t->AfterItem(x);
  return kExtractFinished;
}

// After the last item the engine closes the program file: the files are
// all through by then, as on one thread.
void FileSideThread::AfterItem(const Extraction* x) {
  if (!x->reader->payloadEnded) return;
  HandOver();
  WaitUntilIdle();
}

void FileSideThread::Abandon(void* self, Extraction* x) {
  FileSideThread* t = (FileSideThread*)self;
  t->real_->abandon(t->real_->context, x);
}

ExtractResult FileSideThread::Finish(Archive* a, ExtractResult decodingResult) {
  HandOver();
  Join();
  // An abandon, and whatever reads the run, reach the real ones from here.
  Extraction* x = &a->run;
  x->output = real_;
  x->host = realHost_;
  if (!stopped_) return decodingResult;
  x->item = shadow_.item;
  x->nameLen = shadow_.nameLen;
  memcpy(x->name, shadow_.name, sizeof x->name);
  x->nameInHand = shadow_.nameInHand;
  x->fullPathLen = shadow_.fullPathLen;
  memcpy(x->fullPath, shadow_.fullPath, sizeof x->fullPath);
  memcpy(x->failedPrefix, shadow_.failedPrefix, sizeof x->failedPrefix);
  x->detail = nullptr;
  x->skipping = shadow_.skipping;
  x->cancelRequested = shadow_.cancelRequested;
  x->filesDone = shadow_.filesDone;
  x->foldersDone = shadow_.foldersDone;
  PlatformSetLastError(stopError_);
  ExtractResult result = stopResult_;
  if (!IsFatal(result) && IsFatal(decodingResult)) {
    // The decoding met its own end after the file side's cancel: the run
    // ends as a cancel, which frees the working set and closes the file.
    OsFree(x->work);
    x->work = nullptr;
    if (!CloseArchive(a)) result = kExtractReadFailed;
  }
  return result;
}

// --- The file side -------------------------------------------------------

void FileSideThread::Serve() {
  for (;;) {
    std::vector<uint8_t> batch;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [this] { return !pending_.empty() || closing_; });
      if (pending_.empty()) return;
      batch = std::move(pending_.front());
      pending_.pop_front();
      playing_ = true;
    }
    changed_.notify_all();
    if (!stopped_.load(std::memory_order_relaxed)) Play(batch);
    batch.clear();
    {
      std::lock_guard<std::mutex> lock(mutex_);
      playing_ = false;
      spare_.push_back(std::move(batch));
    }
    changed_.notify_all();
  }
}

void FileSideThread::Stop(ExtractResult result) {
  stopResult_ = result;
  stopError_ = PlatformLastError();
  stopped_.store(true, std::memory_order_relaxed);
}

// Each call as the engine makes it, with the engine's answer to each
// result (engine/extraction.cpp): the first one that ends the run stops
// the file side.
void FileSideThread::Play(const std::vector<uint8_t>& batch) {
  Extraction* x = &shadow_;
  const OutputSink& out = *real_;
  Reader in(batch);
  while (in.more() && !stopped_.load(std::memory_order_relaxed)) {
    Kind kind = in.Take<Kind>();
    if (kind == kItem) {
      ItemHead h = in.Take<ItemHead>();
      x->item = h.item;
      shadowReader_.fileSize = h.fileSize;
      x->nameLen = h.nameLen;
      in.Copy(x->name, (size_t)h.nameLen);
      x->name[h.nameLen] = 0;
      x->fullPathLen = h.fullPathLen;
      in.Copy(x->fullPath, (size_t)h.fullPathLen);
      x->fullPath[h.fullPathLen] = 0;
      x->destLen = h.destLen;
      x->nameInHand = h.nameInHand;
      if (realHost_->itemRead) realHost_->itemRead(realHost_->context, x);
      continue;
    }
    Moment m = in.Take<Moment>();
    shadowReader_.filePos = m.filePos;
    shadowReader_.streamPos = m.streamPos;
    shadowReader_.status = m.status;
    x->cancelRequested = m.cancelRequested;
    switch (kind) {
      case kFolder: {
        ExtractResult res = out.folder(out.context, x);
        if (res != kExtractFinished) Stop(res);
        else x->foldersDone++;
        break;
      }
      case kBeginFile: {
        x->skipping = false;
        x->pathFoundFree = false;
        ExtractResult res = out.beginFile(out.context, x);
        if (res != kExtractFinished) Stop(res);
        break;
      }
      case kWrite: {
        int32_t n = in.Take<int32_t>();
        const uint8_t* bytes = in.Skip((size_t)n);
        // A skipped file's bytes go to no sink.
        if (x->skipping || out.write(out.context, bytes, n)) break;
        // The bytes still held, asked for before a damaged body is
        // reported, end the run at once.
        if (n == 0) {
          Stop(kExtractWriteFailed);
          break;
        }
        // A failed write stops the decoding of the body (the shared bytes
        // come before it); what the stream showed by then decides, and the
        // held bytes are asked for first.
        ExtractResult res = StreamResultOf(m.status);
        if (res == kExtractFinished) {
          res = kExtractWriteFailed;
        } else if (x->item.shared > 0 && !out.write(out.context, 0, 0)) {
          res = kExtractWriteFailed;
        }
        Stop(res);
        break;
      }
      case kEndFile: {
        ExtractResult res = out.endFile(out.context, x);
        if (res != kExtractFinished) Stop(res);
        else if (!x->cancelRequested) x->filesDone++;
        break;
      }
      case kItem:
        break;
    }
  }
}
