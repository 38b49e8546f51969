// The subcommands of corvane. Each returns an exit code (exit_codes.h).
#ifndef CORVANE_CLI_COMMANDS_H
#define CORVANE_CLI_COMMANDS_H

#include <string>
#include <vector>

#include "cli/archive_session.h"
#include "cli/member_selection.h"
#include "writer/level_settings.h"

struct ReadOptions {
  std::string archive;       // "-": standard input
  std::string passwordFile;  // empty: ask on the terminal when needed
  std::vector<std::string> members;   // empty: every item
  std::vector<std::string> excludes;  // shell patterns on stored names
};

struct ListOptions {
  ReadOptions read;
  bool json = false;
  bool quiet = false;    // no summary line
  bool utc = false;      // times in UTC rather than local time
  bool verbose = false;  // each item's stored bytes and ratio, and the totals
};

struct ExtractOptions {
  ReadOptions read;
  std::string dest = ".";
  OverwritePolicy policy = OverwritePolicy::kAsk;
  bool quiet = false;
  bool toStdout = false;  // the files' bytes to standard output, nothing on disk
  int threads = 0;        // 0: two where the machine has two processors
};

struct CreateOptions {
  std::string output;
  std::vector<std::string> inputs;
  std::string description;  // UTF-8 text, or @FILE
  std::string runCommand;   // UTF-8
  std::string passwordFile;
  bool maskPassword = false;
  int level = kDefaultLevel;
  int threads = 0;       // 0: one per processor
  std::string stubFile;  // empty: the built-in stub
  std::string iconFile;  // empty: the stub's own icon
  bool force = false;    // replace an output that is not an archive
  bool strict = false;   // an input that cannot be taken ends the run
  bool quiet = false;
  bool followLinks = false;
  std::vector<std::string> excludes;
  std::string filesFrom;  // more paths, one a line; "-": standard input
  // -C: each folder, with the index of the first path it applies to.
  std::vector<std::pair<size_t, std::string>> directories;
};

int ListCommand(const ListOptions& o);
int TestCommand(const ReadOptions& o, bool quiet);
int ExtractCommand(const ExtractOptions& o);
int CreateCommand(const CreateOptions& o);

// Opens the archive and, when it is protected, takes the password from the
// file or the terminal and checks it. Returns an exit code; a failure has
// been reported, and its words (without the "corvane: ARCHIVE: " in front)
// are left in *why when it is given.
int OpenForReading(const ReadOptions& o, ArchiveSession* session, std::string* why = nullptr);

// After a run that went well: each member that selected nothing is named,
// and the exit code says so. Otherwise the run's own code.
int ReportUnmatchedMembers(const MemberSelection& selection, const std::string& archive,
                           int code);

// Reads a password file ("-": standard input): UTF-8 text, one final
// newline dropped, converted to Shift-JIS. False with a message, which
// names `archive`, when it cannot be read or converted.
bool ReadPasswordFile(const std::string& path, const std::string& archive, std::string* sjis);

#endif
