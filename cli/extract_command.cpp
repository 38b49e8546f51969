// corvane extract: the archive run into a destination folder.
#include <stdio.h>

#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "cli/display_text.h"

int ExtractCommand(const ExtractOptions& o) {
  ArchiveSession session;
  int code = OpenForReading(o.read, &session);
  if (code != kExitSuccess) return code;
  session.policy = o.policy;
  session.showProgress = !o.quiet;
  code = session.Run(o.dest);
  // The archive may name a document or program to open afterwards; the
  // stub opens it, corvane only says so.
  if (code == kExitSuccess && !session.runCommand().empty() && !o.quiet)
    printf("The archive names a command to run after extraction (not started): %s\n",
           SjisForDisplay(session.runCommand()).c_str());
  return code;
}
