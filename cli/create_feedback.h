// What create shows while it writes: a progress bar of the files and
// bytes read and the speed, and the warnings about files that changed
// while they were read.
#ifndef CORVANE_CLI_CREATE_FEEDBACK_H
#define CORVANE_CLI_CREATE_FEEDBACK_H

#include <stdint.h>

#include <chrono>
#include <vector>

#include "cli/terminal.h"
#include "writer/archive_writer.h"

class CreateFeedback {
 public:
  // The bar is drawn only when shown and standard error is a terminal.
  CreateFeedback(const std::vector<ArchiveEntry>& entries, bool showProgress);

  // The events to hand the writer; they refer to this object.
  const WriteEvents& events() const { return events_; }
  int changedFiles() const { return changedFiles_; }
  void Clear() { bar_.Clear(); }

 private:
  void Progress(int files, uint64_t bytes);

  ProgressBar bar_;
  WriteEvents events_;
  int totalFiles_ = 0;
  uint64_t totalBytes_ = 0;
  int changedFiles_ = 0;
  std::chrono::steady_clock::time_point start_;
};

#endif
