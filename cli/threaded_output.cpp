#include "cli/threaded_output.h"

#include <cstring>

#include "engine/file_side.h"
#include "platform/platform_posix.h"

namespace {
ThreadedOutput* current = nullptr;
}

ThreadedOutput::ThreadedOutput() : ring_(kRingBytes) {
  hooks_.folder = &HandFolder;
  hooks_.beginFile = &HandBegin;
  hooks_.write = &HandData;
  hooks_.endFile = &HandEnd;
  hooks_.finish = &Finish;
}

ThreadedOutput::~ThreadedOutput() {
  Uninstall();
  // Left open only by a run that never reached its finish.
  if (io_ && io_->outputFile != kNoFile) OsClose(io_->outputFile);
}

void ThreadedOutput::Install(Extraction* x, IdleWait* wakeServer) {
  current = this;
  x_ = x;
  server_ = wakeServer;
  io_ = std::make_unique<Extraction>();
  io_->reader = &position_;
  io_->host = x->host;
  io_->outputFile = kNoFile;
  position_.fileSize = x->reader->fileSize;
  position_.filePos = 0;
  x->deferredOutput = &hooks_;
}

void ThreadedOutput::Uninstall() {
  if (current != this) return;
  x_->deferredOutput = nullptr;
  current = nullptr;
}

// ---- The run's thread ----

uint8_t* ThreadedOutput::Reserve(Kind kind, size_t payload, int32_t value) {
  size_t n = sizeof(Head) + payload;
  for (;;) {
    if (ended_.load()) return nullptr;
    if (uint8_t* p = ring_.Reserve(n)) {
      Head h = {kind, value, x_->reader->filePos};
      memcpy(p, &h, sizeof h);
      return p + sizeof h;
    }
    producerWait_.Until([&] { return ended_.load() || ring_.Fits(n); });
  }
}

void ThreadedOutput::Commit() {
  ring_.Commit();
  server_->WakeIfAsleep();
}

bool ThreadedOutput::HandItem(Kind kind, Extraction* x, const uint8_t* extra,
                              int32_t extraLen) {
  size_t pathBytes = (size_t)x->fullPathLen + 1;
  uint8_t* p = Reserve(kind, sizeof(ItemHead) + pathBytes + (size_t)extraLen);
  if (!p) return false;
  ItemHead ih = {};
  ih.item = x->item;
  ih.fullPathLen = x->fullPathLen;
  ih.nameLen = x->nameLen;
  memcpy(p, &ih, sizeof ih);
  memcpy(p + sizeof ih, x->fullPath, pathBytes);
  if (extraLen > 0) memcpy(p + sizeof ih + pathBytes, extra, (size_t)extraLen);
  Commit();
  return true;
}

bool ThreadedOutput::HandFolder(Extraction* x) { return current->HandItem(kFolder, x, nullptr, 0); }

bool ThreadedOutput::HandBegin(Extraction* x, const uint8_t* shared) {
  return current->HandItem(kBegin, x, shared, x->item.shared);
}

bool ThreadedOutput::HandData(void*, const uint8_t* bytes, int32_t n) {
  uint8_t* p = current->Reserve(kData, (size_t)n);
  if (!p) return false;
  memcpy(p, bytes, (size_t)n);
  current->Commit();
  return true;
}

bool ThreadedOutput::HandEnd(Extraction*) {
  if (!current->Reserve(kEnd, 0)) return false;
  current->Commit();
  return true;
}

ExtractResult ThreadedOutput::Finish(Extraction* x, ExtractResult streamResult) {
  ThreadedOutput* self = current;
  if (uint8_t* p = self->Reserve(kStop, sizeof(ItemHead), streamResult)) {
    ItemHead ih = {};
    ih.cancelled = x->cancelRequested != 0;
    memcpy(p, &ih, sizeof ih);
    self->Commit();
  }
  self->producerWait_.Until([&] { return self->ended_.load(); });

  Extraction* io = self->io_.get();
  if (self->endedOnItsOwn_) {
    // The run ended at the file side's item, not at the stream's.
    memcpy(x->fullPath, io->fullPath, (size_t)io->fullPathLen + 1);
    x->fullPathLen = io->fullPathLen;
    memcpy(x->name, io->name, (size_t)io->nameLen + 1);
    x->nameLen = io->nameLen;
    x->nameInHand = true;
    x->item = io->item;
    x->detail = nullptr;
    PosixSetLastError(self->error_);
  }
  x->outputFile = io->outputFile;
  io->outputFile = kNoFile;
  x->outputUnfinished = io->outputUnfinished;
  memcpy(x->outputPath, io->outputPath, sizeof x->outputPath);
  memcpy(x->failedPrefix, io->failedPrefix, (size_t)io->failedPrefixLen + 1);
  x->failedPrefixLen = io->failedPrefixLen;
  x->filesDone = io->filesDone;
  x->foldersDone = io->foldersDone;
  x->bytesOut = io->bytesOut;
  x->cancelRequested = self->cancelled_;
  return self->result_;
}

// ---- The helper ----

bool ThreadedOutput::ServeOne() {
  size_t n = 0;
  const uint8_t* p = ring_.Front(&n);
  if (!p) return false;
  // Past the end of the file side, what was decoded ahead is dropped.
  if (!ended_.load()) {
    Head h;
    memcpy(&h, p, sizeof h);
    Serve(h, p + sizeof h, n - sizeof h);
  }
  ring_.Pop();
  producerWait_.WakeIfAsleep();
  return true;
}

void ThreadedOutput::LoadItem(const uint8_t* payload) {
  Extraction* io = io_.get();
  ItemHead ih;
  memcpy(&ih, payload, sizeof ih);
  io->item = ih.item;
  io->fullPathLen = ih.fullPathLen;
  memcpy(io->fullPath, payload + sizeof ih, (size_t)ih.fullPathLen + 1);
  io->nameLen = ih.nameLen;
  io->destLen = ih.fullPathLen - ih.nameLen;
  memcpy(io->name, io->fullPath + io->destLen, (size_t)ih.nameLen + 1);
  io->nameInHand = true;
}

bool ThreadedOutput::WriteOut(const uint8_t* bytes, int32_t n) {
  int put = 0;
  return OsWrite(io_->outputFile, bytes, n, &put) && put == n;
}

void ThreadedOutput::EndOn(ExtractResult result, bool cancelled) {
  result_ = result;
  cancelled_ = cancelled;
  error_ = PosixLastError();
  ended_.store(true);
  producerWait_.WakeIfAsleep();
}

void ThreadedOutput::EndOnItsOwn(ExtractResult result) {
  endedOnItsOwn_ = true;
  // Cancel is an answer, not a failure: the run ends cancelled.
  if (result == kExtractCancelled)
    EndOn(kExtractFinished, true);
  else
    EndOn(result, false);
}

void ThreadedOutput::Serve(const Head& h, const uint8_t* payload, size_t n) {
  Extraction* io = io_.get();
  position_.filePos = h.filePos;
  ExtractResult r = kExtractFinished;
  switch (h.kind) {
    case kFolder:
      LoadItem(payload);
      r = MakeFolderEntry(io);
      if (r != kExtractFinished) EndOnItsOwn(r);
      return;
    case kBegin: {
      LoadItem(payload);
      r = OpenOutputFile(io);
      if (r != kExtractFinished) {
        EndOnItsOwn(r);
        return;
      }
      inFile_ = true;
      bodyWriteFailed_ = false;
      // The shared bytes are written before the body is decoded: their
      // failure ends the run at once, before any damage in the body.
      int32_t shared = io->item.shared;
      const uint8_t* bytes = payload + sizeof(ItemHead) + io->fullPathLen + 1;
      if (!io->skipping && shared > 0 && !WriteOut(bytes, shared))
        EndOnItsOwn(kExtractWriteFailed);
      return;
    }
    case kData:
      // A failed piece ends the run at the end of the body, unless the
      // body turns out damaged first.
      if (!io->skipping && !bodyWriteFailed_ && !WriteOut(payload, (int32_t)n))
        bodyWriteFailed_ = true;
      if (onProgress) onProgress(io);
      return;
    case kEnd:
      inFile_ = false;
      r = bodyWriteFailed_ ? kExtractWriteFailed : CloseOutputFile(io);
      if (r != kExtractFinished) EndOnItsOwn(r);
      return;
    case kStop: {
      ItemHead ih;
      memcpy(&ih, payload, sizeof ih);
      r = (ExtractResult)h.value;
      if (inFile_ && r == kExtractFinished && ih.cancelled) {
        // Cancelled in the middle of a body: what it wrote goes.
        io->cancelRequested = 1;
        r = bodyWriteFailed_ ? kExtractWriteFailed : CloseOutputFile(io);
      }
      EndOn(r, ih.cancelled);
      return;
    }
  }
}
