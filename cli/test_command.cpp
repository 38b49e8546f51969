// corvane test: every body decoded and checked, nothing written.
#include <stdio.h>

#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "platform/console.h"

int TestCommand(const ReadOptions& o, bool quiet) {
  ArchiveSession session;
  int code = OpenForReading(o, &session);
  if (code != kExitSuccess) return code;
  MemberSelection selection(o.members, o.excludes);
  session.selection = &selection;
  int64_t files = 0, bytes = 0;
  session.onItem = [&](const Extraction& x) {
    if (!x.item.isFolder) {
      files++;
      bytes += x.item.size;
    }
  };
  session.showProgress = !quiet;
  code = session.Run("");
  if (code == kExitSuccess && !quiet)
    ConsolePrintf(stdout, "%s: OK, %lld files, %lld bytes\n", o.archive.c_str(), (long long)files,
                  (long long)bytes);
  return ReportUnmatchedMembers(selection, o.archive, code);
}
