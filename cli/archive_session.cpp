#include "cli/archive_session.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <filesystem>

#include "cli/exit_codes.h"
#include "cli/text_encoding.h"
#include "cli/helper_thread.h"
#include "cli/threaded_output.h"
#include "engine/engine_host.h"
#include "payload/block_reader.h"
#include "payload/password.h"
#include "platform/platform_posix.h"

namespace {

ArchiveSession* activeSession = nullptr;

const size_t kDescriptionBytes = 1 << 20;
const size_t kRunCommandBytes = 1 << 16;

void Complain(const std::string& archive, const std::string& text) {
  fprintf(stderr, "corvane: %s: %s\n", archive.c_str(), text.c_str());
}

}  // namespace

// The engine's host functions, routed to the session that runs it.
OverwriteAnswer HostAskOverwrite(Extraction* x) { return activeSession->AskOverwrite(x); }
void HostShowStatus(Extraction* x, StatusKind) { activeSession->NoteStatus(x); }
// With the file side on the helper, the progress is drawn there alone.
void HostPumpMessages(Extraction* x) {
  if (!x->deferredOutput) activeSession->NoteStatus(x);
}
void HostItemRead(Extraction* x) { activeSession->NoteItem(x); }

ArchiveSession::ArchiveSession()
    : description_(kDescriptionBytes + 1), runCommand_(kRunCommandBytes + 1) {
  header_.description = description_.data();
  header_.descriptionCap = (int)kDescriptionBytes;
  header_.runCommand = runCommand_.data();
  header_.runCommandCap = (int)kRunCommandBytes;
}

ArchiveSession::~ArchiveSession() {
  if (file_ != kNoFile) OsClose(file_);  // opened, but never run
}

std::string ArchiveSession::description() const {
  return std::string(header_.description, (size_t)header_.descriptionLen);
}

std::string ArchiveSession::runCommand() const {
  return std::string(header_.runCommand, (size_t)header_.runCommandLen);
}

int ArchiveSession::Open(const std::string& path) {
  path_ = path;
  file_ = OsOpenNative(path.c_str());
  if (file_ == kNoFile) {
    Complain(path, std::string("cannot open: ") + strerror(PosixLastError()));
    return kExitDamaged;
  }
  fileSize_ = OsFileSize(file_);
  switch (LoadPayloadHeader(file_, &header_)) {
    case kHeaderRead:
      return kExitSuccess;
    case kHeaderNoPayload:
      Complain(path, "holds no archive: it is the bare stub");
      break;
    case kHeaderShorter:
      Complain(path, "is shorter than the archive records (" + std::to_string(fileSize_) +
                         " of " + std::to_string((uint32_t)header_.expectedSize) +
                         " bytes): it is incomplete");
      break;
    case kHeaderLonger:
      Complain(path, "is longer than the archive records (" + std::to_string(fileSize_) +
                         " instead of " + std::to_string((uint32_t)header_.expectedSize) +
                         " bytes): it may have been altered");
      break;
    case kHeaderUnreadable:
      Complain(path, "is not an archive: its size field cannot be read");
      break;
    case kHeaderTruncated:
      Complain(path, "is damaged: the file ends inside its header");
      break;
  }
  return kExitDamaged;
}

bool ArchiveSession::AcceptPassword(const std::string& sjis) {
  if (sjis.empty()) return false;
  if (!CheckPassword(header_.protection.checkValue, (const uint8_t*)sjis.data(),
                     (int)sjis.size()))
    return false;
  key_ = sjis;
  return true;
}

std::string ArchiveSession::Shown(const char* archivePath) const {
  return ArchivePathForDisplay(dest_, archivePath);
}

OverwriteAnswer ArchiveSession::AskOverwrite(Extraction* x) {
  if (policy == OverwritePolicy::kAlways) return kOverwriteYes;
  if (policy == OverwritePolicy::kNever) return kOverwriteNo;
  if (progress_) progress_->Clear();
  std::string shown = Shown(x->fullPath);
  if (!CanAskUser()) {
    Complain(path_, shown + " exists; use --overwrite or --skip-existing to decide without a terminal");
    askedWithoutTerminal_ = true;
    return kOverwriteCancel;
  }
  char c = AskChoice(shown + " exists. Overwrite? [y]es, [n]o, [a]ll, [s]kip all, [c]ancel: ",
                     "ynasc");
  switch (c) {
    case 'y': return kOverwriteYes;
    case 'n': return kOverwriteNo;
    case 'a': policy = OverwritePolicy::kAlways; return kOverwriteYes;
    case 's': policy = OverwritePolicy::kNever; return kOverwriteNo;
    default: return kOverwriteCancel;
  }
}

void ArchiveSession::NoteStatus(Extraction* x) {
  if (!progress_ || !progress_->enabled()) return;
  progress_->Update(x->reader->filePos, x->reader->fileSize,
                    x->nameInHand ? SjisForDisplay(x->name) : std::string());
}

void ArchiveSession::NoteItem(Extraction* x) {
  if (onItem) onItem(*x);
}

int ArchiveSession::Run(const std::string& dest) {
  bool writeNothing = dest.empty();
  dest_ = dest;
  int dirfd = AT_FDCWD;
  if (!writeNothing) {
    std::error_code ec;
    std::filesystem::create_directories(dest, ec);
    dirfd = open(dest.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirfd < 0) {
      fprintf(stderr, "corvane: %s: cannot use as destination folder: %s\n", dest.c_str(),
              strerror(errno));
      return kExitWriteFailed;
    }
  }
  reader_ = std::make_unique<BlockReader>();
  BeginBlockStream(reader_.get(), file_, header_.protection.isProtected,
                   (const uint8_t*)key_.data(), (int32_t)key_.size());
  extraction_ = std::make_unique<Extraction>();
  Extraction* x = extraction_.get();
  x->reader = reader_.get();
  x->writeNothing = writeNothing;
  x->work = nullptr;
  progress_ = std::make_unique<ProgressBar>(showProgress);

  PosixSetRoot(dirfd);
  activeSession = this;
  ExtractResult result;
  {
    // Extractions hand their file side to the helper too.
    ThreadedOutput fileSide;
    fileSide.onProgress = [this](Extraction* io) { NoteStatus(io); };
    HelperThread helper(x, helperThread, helperThread && !writeNothing ? &fileSide : nullptr);
    result = ExtractAll(x, ".\\");
  }
  if (result != kExtractFinished && result != kExtractCancelled) {
    progress_->Clear();
    AbandonRun(x);
  }
  activeSession = nullptr;
  PosixSetRoot(AT_FDCWD);
  if (dirfd != AT_FDCWD) close(dirfd);
  progress_->Clear();
  int code = Report(result, x);
  extraction_.reset();
  file_ = kNoFile;  // closed by the run
  return code;
}

int ArchiveSession::Report(ExtractResult result, Extraction* x) {
  std::string item = x->nameInHand ? "'" + Shown(x->fullPath) + "'"
                     : x->nameLen ? "the item after '" + Shown(x->fullPath) + "'"
                                  : "the first item";
  switch (result) {
    case kExtractFinished:
      return kExitSuccess;
    case kExtractCancelled:
      if (!askedWithoutTerminal_) Complain(path_, "extraction cancelled");
      return kExitCancelled;
    case kExtractReadFailed:
      Complain(path_, "damaged: the archive ends early or cannot be read, at " + item);
      return kExitDamaged;
    case kExtractDamaged: {
      std::string why = x->detail ? x->detail : "a block failed its check";
      Complain(path_, "damaged: " + why + ", at " + item +
                          (dest_.empty() ? "" : "; the partial file was removed"));
      return kExitDamaged;
    }
    case kExtractWriteFailed: {
      int err = PosixLastError();
      std::string why = err == EILSEQ ? "its name is not valid Shift-JIS" : strerror(err);
      Complain(path_, "cannot write " + item + ": " + why);
      return kExitWriteFailed;
    }
    case kExtractFolderFailed: {
      int err = PosixLastError();
      std::string why = OsProbeEntry(x->failedPrefix) == kEntryFile ? "a file of that name is in the way"
                        : err == EILSEQ ? "its name is not valid Shift-JIS"
                                        : strerror(err);
      Complain(path_, "cannot create the folder '" + Shown(x->failedPrefix) + "': " + why);
      return kExitWriteFailed;
    }
    case kExtractNoMemory:
      Complain(path_, "not enough memory for the extraction");
      return kExitWriteFailed;
  }
  return kExitDamaged;
}
