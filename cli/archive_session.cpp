// One archive opened by corvane, run through the core's reading face, with
// the engine's questions answered on the terminal or by policy.
#include "cli/archive_session.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <filesystem>

#include "cli/archive_kind.h"
#include "cli/display_text.h"
#include "cli/exit_codes.h"
#include "cli/file_side_thread.h"
#include "cli/member_selection.h"
#include "cli/name_check.h"
#include "cli/stdout_output.h"
#include "engine/disk_output.h"
#include "engine/no_output.h"
#include "platform/host_files.h"
#include "platform/interrupt.h"
#include "platform/host_platform.h"
#include "platform/console.h"

namespace {

const size_t kDescriptionBytes = 1 << 20;
const size_t kRunCommandBytes = 1 << 16;

void Complain(const std::string& archive, const std::string& text) {
  ConsolePrintf(stderr, "corvane: %s: %s\n", archive.c_str(), text.c_str());
}

// The operating system's words for a failed call. A failure whose call
// left no error code is not called a "Success".
std::string ErrorText(int err) { return err ? strerror(err) : "the system gave no reason"; }

// Why `dest` cannot be the destination folder: it, or a folder on its way,
// is something else (a file, a pipe); otherwise the system's words for
// the failed call.
std::string DestinationObstacle(const std::string& dest, const std::string& systemWords) {
  std::vector<std::filesystem::path> parts;
  for (const std::filesystem::path& part : std::filesystem::u8path(dest))
    if (!part.empty()) parts.push_back(part);
  std::filesystem::path way;
  for (size_t i = 0; i < parts.size(); i++) {
    way /= parts[i];
    HostFileInfo st;
    if (!HostInfoOfPath(way.u8string(), true, &st)) break;
    if (st.kind == HostKind::kFolder) continue;
    if (i + 1 == parts.size()) return "it is " + HostKindText(st.kind);
    return "'" + way.generic_u8string() + "' is " + HostKindText(st.kind);
  }
  return systemWords;
}

}  // namespace

ArchiveSession::ArchiveSession()
    : description_(new char[kDescriptionBytes + 1]),
      runCommand_(new char[kRunCommandBytes + 1]),
      archive_(std::make_unique<Archive>()) {
  PayloadHeader& h = archive_->header;
  h.description = description_.get();
  h.descriptionCap = (int)kDescriptionBytes;
  h.runCommand = runCommand_.get();
  h.runCommandCap = (int)kRunCommandBytes;
}

ArchiveSession::~ArchiveSession() {
  if (opened_) CloseArchive(archive_.get());  // opened, but never run
  if (spooled_ >= 0) HostClose(spooled_);
}

std::string ArchiveSession::description() const {
  return std::string(archive_->header.description, (size_t)archive_->header.descriptionLen);
}

std::string ArchiveSession::runCommand() const {
  return std::string(archive_->header.runCommand, (size_t)archive_->header.runCommandLen);
}

// The archive's length is checked before anything else is read, and a
// pipe has none: what is not a plain file is copied first, to a file
// that goes with the process.
std::string ArchiveSession::ProgramFromStandardInput() {
  std::string why;
  std::string file = HostStandardInputFile(&spooled_, &why);
  if (file.empty()) Complain("-", why);
  return file;
}

int ArchiveSession::Open(const std::string& path) {
  NoteInterrupts();
  path_ = path;
  std::string file = path;
  if (path == "-") {
    file = ProgramFromStandardInput();
    if (file.empty()) return InterruptNoted() ? kExitCancelled : kExitDamaged;
  }
  // Only a regular file has the length that the archive is checked
  // against; a pipe would also block its open until a writer came.
  HostFileInfo st;
  if (HostInfoOfPath(file, true, &st) && st.kind != HostKind::kFile) {
    Complain(path,
             "is " + HostKindText(st.kind) + ", not an archive" +
                 (st.kind == HostKind::kPipe ? " file: an archive is read from a regular file, "
                                               "whose length is checked first"
                                             : ""));
    return kExitDamaged;
  }
  const PayloadHeader& h = archive_->header;
  HeaderResult result = OpenArchive(archive_.get(), file.c_str());
  opened_ = result != kHeaderNotOpened;
  std::string sizes = std::to_string(archive_->fileSize) + " of " +
                      std::to_string((uint32_t)h.expectedSize) + " bytes";
  switch (result) {
    case kHeaderRead:
      return kExitSuccess;
    case kHeaderNotOpened:
      Complain(path, "cannot open: " + ErrorText(PlatformLastError()));
      break;
    case kHeaderNoPayload:
      Complain(path, "holds no archive: it is the bare stub");
      break;
    case kHeaderShorter:
    case kHeaderLonger:
      // The size field is read from wherever a header would be: in a file
      // of another kind it is any number.
      if (!PlausibleHeader(path, h.expectedSize)) {
        Complain(path, "is not an archive of this kind: no archive header follows its first " +
                           std::to_string(kStubSize) + " bytes");
      } else if (result == kHeaderShorter) {
        Complain(path, "is shorter than the archive records (" + sizes + "): it is incomplete");
      } else {
        Complain(path, "is longer than the archive records (" +
                           std::to_string(archive_->fileSize) + " instead of " +
                           std::to_string((uint32_t)h.expectedSize) +
                           " bytes): it may have been altered");
      }
      break;
    case kHeaderUnreadable:
      if (archive_->fileSize >= 0 && archive_->fileSize < kStubSize + 4)
        Complain(path, "is not an archive of this kind: at " +
                           std::to_string(archive_->fileSize) +
                           " bytes it is too short to hold one");
      else
        Complain(path, "cannot be read: " + ErrorText(PlatformLastError()));
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

// Decided before the disk output sees the file (DecideExisting); what
// appeared there meanwhile is written over as well.
OverwriteAnswer ArchiveSession::AskOverwrite(void*, const Extraction*) { return kOverwriteYes; }

ExistingAnswer ArchiveSession::DecideExisting(const Extraction& x) {
  switch (policy) {
    case OverwritePolicy::kAlways: return ExistingAnswer::kOverwrite;
    case OverwritePolicy::kNever: return ExistingAnswer::kSkip;
    case OverwritePolicy::kRename: return ExistingAnswer::kRename;
    case OverwritePolicy::kAsk: break;
  }
  // The decoding thread's progress waits while the question is open.
  std::lock_guard<std::mutex> lock(progressLock_);
  progress_->Clear();
  std::string shown = Shown(x.fullPath);
  if (!CanAskUser()) {
    Complain(path_, shown +
                        " exists; use --overwrite, --skip-existing or --rename to decide "
                        "without a terminal");
    askedWithoutTerminal_ = true;
    return ExistingAnswer::kCancel;
  }
  int answer = AskAnswer(shown + " exists. Overwrite? [y]es, [n]o, [a]ll, [s]kip all, "
                                 "[r]ename, [c]ancel: ",
                         {"yes", "no", "all", "skip", "rename", "cancel"});
  switch (answer) {
    case 0: return ExistingAnswer::kOverwrite;
    case 1: return ExistingAnswer::kSkip;
    case 2: policy = OverwritePolicy::kAlways; return ExistingAnswer::kOverwrite;
    case 3: policy = OverwritePolicy::kNever; return ExistingAnswer::kSkip;
    case 4: return ExistingAnswer::kRename;
    default: return ExistingAnswer::kCancel;
  }
}

// Both threads of a run with a file side show progress: the decoding one
// at its rebuild points, the file side, behind it, at each file. The bar
// shows how far the archive has been read, and never goes back.
void ArchiveSession::ShowProgress(const Extraction* x) {
  if (!progress_->enabled()) return;
  std::lock_guard<std::mutex> lock(progressLock_);
  if (x->reader->filePos < progressShown_) return;
  progressShown_ = x->reader->filePos;
  progress_->Update(x->reader->filePos, x->reader->fileSize,
                    x->nameInHand ? ArchivePathForDisplay("", x->name) : std::string());
}

void ArchiveSession::NoteStatus(void* self, const Extraction* x, StatusKind) {
  ((ArchiveSession*)self)->ShowProgress(x);
}

void ArchiveSession::Pump(void* self, Extraction* x) {
  if (InterruptNoted()) x->cancelRequested = 1;
  ((ArchiveSession*)self)->ShowProgress(x);
}

// Where each item ends in the item stream: the stored bytes of list -v.
void ArchiveSession::ItemEnded(const Extraction* x) {
  int32_t end = x->reader->streamPos;
  if (onItemEnd && itemSelected_) onItemEnd(*x, end - itemStart_);
  itemStart_ = end;
}

void ArchiveSession::NoteItem(void* self, const Extraction* x) {
  ArchiveSession* session = (ArchiveSession*)self;
  session->itemSelected_ = SelectionTakes(session->selection, *x);
  if (session->onItem && session->itemSelected_) session->onItem(*x);
}

int ArchiveSession::Run(const std::string& dest) {
  dest_ = dest;
  progress_ = std::make_unique<ProgressBar>(showProgress);
  progressShown_ = 0;
  // An extraction writes below the destination folder, resolved from its
  // descriptor; a test writes nothing.
  OsRoot* root = nullptr;
  DiskOutput disk;
  StdoutOutput out;
  // Without a destination each name is still made, in memory, so that a
  // name extract could not make fails here too.
  NameCheck check;
  OutputSink sink = toStdout ? StdoutSink(&out) : check.Sink();
  if (!dest.empty()) {
    int made = HostCreateFolders(dest) ? 0 : errno;
    if (!made) root = OsOpenRoot(dest.c_str());
    if (!root) {
      std::string words = made ? "cannot create it: " + ErrorText(made)
                               : ErrorText(PlatformLastError());
      Complain(path_, "cannot use '" + dest + "' as the destination folder: " +
                          DestinationObstacle(dest, words));
      return kExitWriteFailed;
    }
    BeginDiskOutput(&disk, root);
    sink = DiskOutputSink(&disk);
  }
  SelectedOutput selected(sink, selection, root,
                          [this](const Extraction& x) { return DecideExisting(x); });
  selected.onRenamed = [this](const Extraction& x) {
    std::lock_guard<std::mutex> lock(progressLock_);
    progress_->Clear();
    Complain(path_, ArchivePathForDisplay(dest_, x.name) + " exists; written as " +
                        Shown(x.fullPath));
  };
  itemStart_ = 0;
  selected.onItemEnd = [this](const Extraction& x) { ItemEnded(&x); };
  OutputSink front = selected.sink();
  EngineHost host = {this, &AskOverwrite, &NoteStatus, &Pump, &NoteItem};
  Archive* a = archive_.get();
  ExtractResult result = root && threads >= 2
                             ? FileSideThread::RunArchive(a, ".\\", &front, &host)
                             : RunArchive(a, ".\\", &front, &host);
  opened_ = false;
  if (IsFatal(result)) {
    progress_->Clear();
    AbandonArchive(a);
  }
  progress_->Clear();
  int code = Report(result, &a->run, root, out.error,
                    dest.empty() && !toStdout ? &check : nullptr);
  OsCloseRoot(root);
  return code;
}

int ArchiveSession::Report(ExtractResult result, const Extraction* x, OsRoot* root,
                           int stdoutError, const NameCheck* check) {
  // Where nothing was written the name check tells what extract would have met.
  int err = check ? check->error() : PlatformLastError();
  std::string item = x->nameInHand ? "'" + Shown(x->fullPath) + "'"
                     : x->nameLen ? "the item after '" + Shown(x->fullPath) + "'"
                                  : "the first item";
  switch (result) {
    case kExtractFinished:
      return kExitSuccess;
    case kExtractCancelled:
      if (InterruptNoted())
        Complain(path_, "interrupted");
      else if (!askedWithoutTerminal_)
        Complain(path_, "extraction cancelled");
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
      if (stdoutError) {
        Complain(path_, "cannot write " + item + " to standard output: " + strerror(stdoutError));
        return kExitWriteFailed;
      }
      std::string why = err == EILSEQ   ? "its name is not valid Shift-JIS"
                        : err == EISDIR ? "a folder of that name is in the way"
                                        : ErrorText(err);
      Complain(path_, "cannot write " + item + ": " + why);
      return kExitWriteFailed;
    }
    case kExtractFolderFailed: {
      EntryKind there = check ? check->Probe(x->failedPrefix) : OsProbeEntry(root, x->failedPrefix);
      // A prefix that ends with a separator is an empty level of the name
      // ("a\\b", "a/\b") after a folder that exists: Windows fails there too.
      std::string why =
          there == kEntryFile ? "a file of that name is in the way"
          : EndsWithSeparator(x->failedPrefix)
              ? "the name has an empty level (two separators in a row), which Windows cannot "
                "make either"
          : err == EILSEQ ? "its name is not valid Shift-JIS"
                          : ErrorText(err);
      if (there == kEntryFile && !check) {
        HostFileInfo st;
        if (HostInfoOfPath(Shown(x->failedPrefix), false, &st))
          why = HostKindText(st.kind) + " of that name is in the way";
      }
      Complain(path_, "cannot create the folder '" + Shown(x->failedPrefix) + "': " + why);
      return kExitWriteFailed;
    }
    case kExtractNoMemory:
      Complain(path_, "not enough memory for the extraction");
      return kExitWriteFailed;
  }
  return kExitDamaged;
}
