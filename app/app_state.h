// The stub's one process-wide record: its windows, the archive (the
// program file, its header and the run), the header's texts, the
// destination folder, and what the run writes to and reports to.
#ifndef CORVANE_APP_APP_STATE_H
#define CORVANE_APP_APP_STATE_H

#include "engine/archive.h"
#include "engine/disk_output.h"
#include "ui/stub_windows.h"

const int kDescriptionCap = kDescriptionHeld;
const int kRunCommandCap = kRunCommandHeld;

struct AppState {
  StubWindows windows;  // its cancelRequested points at archive.run's

  char description[kDescriptionCap + 1];
  char runCommand[kRunCommandCap + 1];
  char destFolder[kFolderCap + 2];

  // archive.reader.payloadFile is the program's own file, open from
  // start-up until a run ends; archive.key, once accepted, is on the
  // process heap. AbandonArchive is the one clean-up of every fatal end.
  Archive archive;
  DiskOutput output;
  OutputSink sink;  // over output
  EngineHost host;
  char statusLine[kMaxPath + 64];  // the host's texts are formed here
  bool statusPending;  // statusLine holds a status the window has not had
  DWORD lastPump;  // GetTickCount of the engine's last look at the queue
};

#endif
