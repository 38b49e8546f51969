// create's progress bar and its warnings about files changed while read.
#include "cli/create_feedback.h"
#include "platform/console.h"

#include <stdio.h>

CreateFeedback::CreateFeedback(const std::vector<ArchiveEntry>& entries, bool showProgress)
    : bar_(showProgress), start_(std::chrono::steady_clock::now()) {
  for (const ArchiveEntry& e : entries) {
    if (e.isFolder) continue;
    totalFiles_++;
    totalBytes_ += e.hostPath.empty() ? e.data.size() : e.hostSize;
  }
  events_.progress = [this](int files, uint64_t bytes) { Progress(files, bytes); };
  events_.changed = [this](const std::string& message) {
    bar_.Clear();
    ConsolePrintf(stderr, "corvane: warning: %s\n", message.c_str());
    changedFiles_++;
  };
}

void CreateFeedback::Progress(int files, uint64_t bytes) {
  if (!bar_.enabled()) return;
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  char label[96];
  snprintf(label, sizeof label, "%d/%d files, %.1f MB/s", files, totalFiles_,
           seconds > 0 ? bytes / seconds / 1e6 : 0.0);
  // A tree of empty files still moves the bar, by files.
  if (totalBytes_ > 0)
    bar_.Update((int64_t)bytes, (int64_t)totalBytes_, label);
  else
    bar_.Update(files, totalFiles_, label);
}
