// Opening an archive for list, test and extract: the password from a file,
// standard input or the terminal.
#include <errno.h>
#include <stdio.h>
#include <string.h>

#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "cli/read_input.h"
#include "cli/terminal.h"
#include "platform/interrupt.h"
#include "platform/text_encoding.h"
#include "platform/console.h"

bool ReadPasswordFile(const std::string& path, const std::string& archive, std::string* sjis) {
  std::string from = path == "-" ? "standard input" : "the password file '" + path + "'";
  std::string text;
  if (!ReadWholeInput(path, &text)) {
    ConsolePrintf(stderr, "corvane: %s: cannot read %s: %s\n", archive.c_str(), from.c_str(),
                  strerror(errno));
    return false;
  }
  if (!text.empty() && text.back() == '\n') text.pop_back();
  if (!text.empty() && text.back() == '\r') text.pop_back();
  if (!Utf8ToSjis(text, sjis)) {
    ConsolePrintf(stderr,
                  "corvane: %s: the password in %s has characters that Shift-JIS cannot hold\n",
                  archive.c_str(), from.c_str());
    return false;
  }
  return true;
}

int OpenForReading(const ReadOptions& o, ArchiveSession* session, std::string* why) {
  int code = session->Open(o.archive);
  if (code != kExitSuccess || !session->isProtected()) return code;
  auto fail = [&](int exitCode, const std::string& text) {
    ConsolePrintf(stderr, "corvane: %s: %s\n", o.archive.c_str(), text.c_str());
    if (why) *why = text;
    return exitCode;
  };
  std::string sjis;
  if (!o.passwordFile.empty()) {
    if (!ReadPasswordFile(o.passwordFile, o.archive, &sjis)) {
      if (why) *why = "the password could not be read";
      return kExitUsage;
    }
  } else {
    std::string typed;
    if (!CanAskUser() || !ReadPasswordFromTerminal("Password for " + o.archive + ": ", &typed)) {
      if (InterruptNoted()) {
        ConsolePrintf(stderr, "\n");
        return fail(kExitCancelled, "interrupted");
      }
      return fail(kExitWrongPassword,
                  "the archive is protected; give --password-file or run on a terminal");
    }
    if (!Utf8ToSjis(typed, &sjis)) return fail(kExitWrongPassword, "wrong password");
  }
  if (!session->AcceptPassword(sjis)) return fail(kExitWrongPassword, "wrong password");
  return kExitSuccess;
}
