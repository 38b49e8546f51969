// Opening an archive for list, test and extract: the password from a file or the terminal.
#include <stdio.h>

#include <fstream>
#include <iterator>

#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "cli/terminal.h"
#include "platform/interrupt_posix.h"
#include "platform/text_encoding.h"

bool ReadPasswordFile(const std::string& path, std::string* sjis) {
  std::ifstream f(path, std::ios::binary);
  if (!f) {
    fprintf(stderr, "corvane: %s: cannot read the password file\n", path.c_str());
    return false;
  }
  std::string text((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  if (!text.empty() && text.back() == '\n') text.pop_back();
  if (!text.empty() && text.back() == '\r') text.pop_back();
  if (!Utf8ToSjis(text, sjis)) {
    fprintf(stderr, "corvane: %s: the password has characters that Shift-JIS cannot hold\n",
            path.c_str());
    return false;
  }
  return true;
}

int OpenForReading(const ReadOptions& o, ArchiveSession* session) {
  int code = session->Open(o.archive);
  if (code != kExitSuccess || !session->isProtected()) return code;
  std::string sjis;
  if (!o.passwordFile.empty()) {
    if (!ReadPasswordFile(o.passwordFile, &sjis)) return kExitUsage;
  } else {
    std::string typed;
    if (!CanAskUser() || !ReadPasswordFromTerminal("Password for " + o.archive + ": ", &typed)) {
      if (PosixInterrupted()) {
        fprintf(stderr, "\ncorvane: %s: interrupted\n", o.archive.c_str());
        return kExitCancelled;
      }
      fprintf(stderr, "corvane: %s: the archive is protected; give --password-file or run on a terminal\n",
              o.archive.c_str());
      return kExitWrongPassword;
    }
    if (!Utf8ToSjis(typed, &sjis)) {
      fprintf(stderr, "corvane: %s: wrong password\n", o.archive.c_str());
      return kExitWrongPassword;
    }
  }
  if (!session->AcceptPassword(sjis)) {
    fprintf(stderr, "corvane: %s: wrong password\n", o.archive.c_str());
    return kExitWrongPassword;
  }
  return kExitSuccess;
}
