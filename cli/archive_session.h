// One archive opened by corvane: its header, the password, and one run of
// the engine over its item stream, with the engine's questions answered on
// the terminal or by policy.
#ifndef CORVANE_CLI_ARCHIVE_SESSION_H
#define CORVANE_CLI_ARCHIVE_SESSION_H

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "cli/selected_output.h"
#include "cli/terminal.h"
#include "engine/archive.h"

enum class OverwritePolicy { kAsk, kAlways, kNever, kRename };

class MemberSelection;
class NameCheck;

class ArchiveSession {
 public:
  ArchiveSession();
  ~ArchiveSession();

  // Opens the archive and reads its header ("-": the program file from
  // standard input). From here on Ctrl-C, SIGTERM and SIGHUP end the
  // session as a Cancel does. Returns an exit code; on failure the
  // message has been printed.
  int Open(const std::string& path);

  const std::string& path() const { return path_; }
  std::string description() const;  // Shift-JIS
  std::string runCommand() const;   // Shift-JIS
  bool isProtected() const { return archive_->header.protection.isProtected; }
  bool masked() const { return archive_->header.protection.masked; }
  int64_t fileSize() const { return archive_->fileSize; }

  // Checks a password (Shift-JIS bytes) and keeps it as the key when right.
  // The empty password is never right: it could not decipher anything.
  bool AcceptPassword(const std::string& sjis);

  // Runs the engine once. With an empty destination nothing is written
  // (test and list), or the files go to standard output (toStdout);
  // otherwise the destination folder is made if missing. Returns an exit
  // code; failures are reported on standard error.
  int Run(const std::string& dest);

  // Called for every selected item's record.
  std::function<void(const Extraction&)> onItem;
  // Called at the end of every selected item handled without failure, with
  // the bytes it takes in the item stream: its record and its coded body,
  // from the end of the item before it.
  std::function<void(const Extraction&, int64_t storedBytes)> onItemEnd;
  OverwritePolicy policy = OverwritePolicy::kAsk;
  bool showProgress = false;
  bool toStdout = false;
  // 2: the files are made and written on a second thread while the engine
  // decodes (an extraction to disk only).
  int threads = 1;
  MemberSelection* selection = nullptr;  // null: every item

 private:
  // The engine's host functions; the context is the session.
  static OverwriteAnswer AskOverwrite(void* self, const Extraction* x);
  // What to do with a file that would land on something that exists.
  ExistingAnswer DecideExisting(const Extraction& x);
  static void NoteStatus(void* self, const Extraction* x, StatusKind);
  static void Pump(void* self, Extraction* x);
  static void NoteItem(void* self, const Extraction* x);
  void ItemEnded(const Extraction* x);
  void ShowProgress(const Extraction* x);

  int Report(ExtractResult result, const Extraction* x, OsRoot* root, int stdoutError,
             const NameCheck* check);
  // The program file from standard input: its path, or empty after a
  // message.
  std::string ProgramFromStandardInput();
  std::string Shown(const char* archivePath) const;

  std::string path_;
  std::string dest_;
  // Room for the largest texts a header may hold, left untouched (and so
  // unpaged) beyond what a header fills.
  std::unique_ptr<char[]> description_, runCommand_;
  std::string key_;
  std::unique_ptr<Archive> archive_;  // large: the item's paths and a block
  bool opened_ = false;               // and not yet closed by a run
  std::unique_ptr<ProgressBar> progress_;
  std::mutex progressLock_;
  int64_t progressShown_ = 0;  // the archive position the bar shows
  bool askedWithoutTerminal_ = false;
  int spooled_ = -1;  // the copy of standard input, when it was copied
  int32_t itemStart_ = 0;  // stream position where the item in hand began
  bool itemSelected_ = true;  // the item in hand is one of the selection
};

#endif
