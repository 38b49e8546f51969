// corvane extract: the archive run into a destination folder.
#include <stdio.h>

#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "cli/display_text.h"
#include "cli/file_side_thread.h"
#include "platform/console.h"

int ExtractCommand(const ExtractOptions& o) {
  ArchiveSession session;
  int code = OpenForReading(o.read, &session);
  if (code != kExitSuccess) return code;
  MemberSelection selection(o.read.members, o.read.excludes);
  session.selection = &selection;
  session.policy = o.policy;
  session.showProgress = !o.quiet;
  session.toStdout = o.toStdout;
  session.threads = o.threads ? o.threads : FileSideThread::Pays() ? 2 : 1;
  code = session.Run(o.toStdout ? "" : o.dest);
  // The archive may name a document or program to open afterwards; the
  // stub opens it, corvane only says so (never amid the files' bytes).
  if (code == kExitSuccess && !session.runCommand().empty() && !o.quiet)
    ConsolePrintf(o.toStdout ? stderr : stdout,
                  "The archive names a command to run after extraction (not started): %s\n",
                  SjisForDisplay(session.runCommand()).c_str());
  return ReportUnmatchedMembers(selection, o.read.archive, code);
}
