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
#include "engine/engine_host.h"
#include "engine/extraction.h"
#include "payload/payload_layout.h"

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
  bool isProtected() const { return header_.protection.isProtected; }
  bool masked() const { return header_.protection.masked; }
  int64_t fileSize() const { return fileSize_; }

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
  // A second thread, when there are two processors, for the rebuild
  // points and, when extracting, the file side.
  bool helperThread = true;

  // For the host functions of the engine.
  OverwriteAnswer AskOverwrite(Extraction* x);
  void NoteStatus(Extraction* x);
  void NoteItem(Extraction* x);

 private:
  int Report(ExtractResult result, Extraction* x);
  std::string Shown(const char* archivePath) const;

  std::string path_;
  std::string dest_;
  OsFile file_ = kNoFile;
  int64_t fileSize_ = 0;
  std::vector<char> description_, runCommand_;
  PayloadHeader header_;
  std::string key_;
  std::unique_ptr<BlockReader> reader_;
  std::unique_ptr<Extraction> extraction_;
  std::unique_ptr<ProgressBar> progress_;
  bool askedWithoutTerminal_ = false;
};

#endif
