// One archive opened by corvane: its header, the password, and one run of
// the engine over its item stream, with the engine's questions answered on
// the terminal or by policy.
#ifndef CORVANE_CLI_ARCHIVE_SESSION_H
#define CORVANE_CLI_ARCHIVE_SESSION_H

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cli/terminal.h"
#include "engine/archive.h"

class NameCheck;

enum class OverwritePolicy { kAsk, kAlways, kNever };

class ArchiveSession {
 public:
  ArchiveSession();
  ~ArchiveSession();

  // Opens the archive and reads its header. Returns an exit code; on
  // failure the message has been printed.
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
  // (test and list); otherwise the destination folder is made if missing.
  // Returns an exit code; failures are reported on standard error.
  int Run(const std::string& dest);

  // Called for every item record read.
  std::function<void(const Extraction&)> onItem;
  OverwritePolicy policy = OverwritePolicy::kAsk;
  bool showProgress = false;

 private:
  // The engine's host functions; the context is the session.
  static OverwriteAnswer AskOverwrite(void* self, const Extraction* x);
  static void NoteStatus(void* self, const Extraction* x, StatusKind);
  static void Pump(void* self, Extraction* x);
  static void NoteItem(void* self, const Extraction* x);
  void ShowProgress(const Extraction* x);

  int Report(ExtractResult result, const Extraction* x, OsRoot* root, const NameCheck* check);
  std::string Shown(const char* archivePath) const;

  std::string path_;
  std::string dest_;
  std::vector<char> description_, runCommand_;
  std::string key_;
  std::unique_ptr<Archive> archive_;  // large: the item's paths and a block
  bool opened_ = false;               // and not yet closed by a run
  std::unique_ptr<ProgressBar> progress_;
  bool askedWithoutTerminal_ = false;
};

#endif
