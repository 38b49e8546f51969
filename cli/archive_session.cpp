// One archive opened by corvane, run through the core's reading face, with
// the engine's questions answered on the terminal or by policy.
#include "cli/archive_session.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>

#include <filesystem>

#include "cli/display_text.h"
#include "cli/exit_codes.h"
#include "cli/name_check.h"
#include "engine/disk_output.h"
#include "platform/platform_posix.h"

namespace {

const size_t kDescriptionBytes = 1 << 20;
const size_t kRunCommandBytes = 1 << 16;

void Complain(const std::string& archive, const std::string& text) {
  fprintf(stderr, "corvane: %s: %s\n", archive.c_str(), text.c_str());
}

}  // namespace

ArchiveSession::ArchiveSession()
    : description_(kDescriptionBytes + 1),
      runCommand_(kRunCommandBytes + 1),
      archive_(std::make_unique<Archive>()) {
  PayloadHeader& h = archive_->header;
  h.description = description_.data();
  h.descriptionCap = (int)kDescriptionBytes;
  h.runCommand = runCommand_.data();
  h.runCommandCap = (int)kRunCommandBytes;
}

ArchiveSession::~ArchiveSession() {
  if (opened_) CloseArchive(archive_.get());  // opened, but never run
}

std::string ArchiveSession::description() const {
  return std::string(archive_->header.description, (size_t)archive_->header.descriptionLen);
}

std::string ArchiveSession::runCommand() const {
  return std::string(archive_->header.runCommand, (size_t)archive_->header.runCommandLen);
}

int ArchiveSession::Open(const std::string& path) {
  path_ = path;
  const PayloadHeader& h = archive_->header;
  HeaderResult result = OpenArchive(archive_.get(), path.c_str());
  opened_ = result != kHeaderNotOpened;
  std::string sizes = std::to_string(archive_->fileSize) + " of " +
                      std::to_string((uint32_t)h.expectedSize) + " bytes";
  switch (result) {
    case kHeaderRead:
      return kExitSuccess;
    case kHeaderNotOpened:
      Complain(path, std::string("cannot open: ") + strerror(PosixLastError()));
      break;
    case kHeaderNoPayload:
      Complain(path, "holds no archive: it is the bare stub");
      break;
    case kHeaderShorter:
      Complain(path, "is shorter than the archive records (" + sizes + "): it is incomplete");
      break;
    case kHeaderLonger:
      Complain(path, "is longer than the archive records (" + std::to_string(archive_->fileSize) +
                         " instead of " + std::to_string((uint32_t)h.expectedSize) +
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
  key_ = sjis;
  return ::AcceptPassword(archive_.get(), (const uint8_t*)key_.data(), (int32_t)key_.size());
}

std::string ArchiveSession::Shown(const char* archivePath) const {
  return ArchivePathForDisplay(dest_, archivePath);
}

OverwriteAnswer ArchiveSession::AskOverwrite(void* context, const Extraction* x) {
  ArchiveSession* self = (ArchiveSession*)context;
  OverwritePolicy& policy = self->policy;
  if (policy == OverwritePolicy::kAlways) return kOverwriteYes;
  if (policy == OverwritePolicy::kNever) return kOverwriteNo;
  self->progress_->Clear();
  std::string shown = self->Shown(x->fullPath);
  if (!CanAskUser()) {
    Complain(self->path_,
             shown + " exists; use --overwrite or --skip-existing to decide without a terminal");
    self->askedWithoutTerminal_ = true;
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

void ArchiveSession::ShowProgress(const Extraction* x) {
  if (!progress_->enabled()) return;
  progress_->Update(x->reader->filePos, x->reader->fileSize,
                    x->nameInHand ? SjisForDisplay(x->name) : std::string());
}

void ArchiveSession::NoteStatus(void* self, const Extraction* x, StatusKind) {
  ((ArchiveSession*)self)->ShowProgress(x);
}

void ArchiveSession::Pump(void* self, Extraction* x) { ((ArchiveSession*)self)->ShowProgress(x); }

void ArchiveSession::NoteItem(void* self, const Extraction* x) {
  ArchiveSession* session = (ArchiveSession*)self;
  if (session->onItem) session->onItem(*x);
}

int ArchiveSession::Run(const std::string& dest) {
  dest_ = dest;
  progress_ = std::make_unique<ProgressBar>(showProgress);
  // An extraction writes below the destination folder, resolved from its
  // descriptor; a test writes nothing.
  OsRoot* root = nullptr;
  DiskOutput disk;
  // Without a destination each name is still made, in memory, so that a
  // name extract could not make fails here too.
  NameCheck check;
  OutputSink sink = check.Sink();
  if (!dest.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(dest, ec);
    root = OsOpenRoot(dest.c_str());
    if (!root) {
      fprintf(stderr, "corvane: %s: cannot use as destination folder: %s\n", dest.c_str(),
              strerror(PosixLastError()));
      return kExitWriteFailed;
    }
    BeginDiskOutput(&disk, root);
    sink = DiskOutputSink(&disk);
  }
  EngineHost host = {this, &AskOverwrite, &NoteStatus, &Pump, &NoteItem};
  Archive* a = archive_.get();
  ExtractResult result = RunArchive(a, ".\\", &sink, &host);
  opened_ = false;
  if (IsFatal(result)) {
    progress_->Clear();
    AbandonArchive(a);
  }
  progress_->Clear();
  int code = Report(result, &a->run, root, dest.empty() ? &check : nullptr);
  OsCloseRoot(root);
  return code;
}

int ArchiveSession::Report(ExtractResult result, const Extraction* x, OsRoot* root,
                           const NameCheck* check) {
  // Where nothing was written the name check tells what extract would have met.
  int err = check ? check->error() : PosixLastError();
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
      std::string why = err == EILSEQ ? "its name is not valid Shift-JIS" : strerror(err);
      Complain(path_, "cannot write " + item + ": " + why);
      return kExitWriteFailed;
    }
    case kExtractFolderFailed: {
      EntryKind there = check ? check->Probe(x->failedPrefix) : OsProbeEntry(root, x->failedPrefix);
      // A prefix that ends with a separator is an empty level of the name
      // ("a\\b", "a/\b") after a folder that exists: Windows fails there too.
      bool emptyLevel = EndsWithSeparator(x->failedPrefix);
      std::string why = there == kEntryFile ? "a file of that name is in the way"
                        : emptyLevel ? "the name has an empty level (two separators in a row), "
                                       "which Windows cannot make either"
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
