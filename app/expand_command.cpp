// The expand command, from the button to the close of the main window.
#include "app/expand_command.h"

#include <string.h>

#include "app/app_state.h"
#include "app/engine_host_stub.h"
#include "app/expand_inputs.h"
#include "app/fatal_end.h"
#include "app/mini_crt.h"
#include "paths/path_utils.h"
#include "ui/message_box.h"
#include "ui/texts.h"

// What the shell is handed for the run command, in target (MAX_PATH
// bytes): a relative name found in the destination by its full path, or
// else in the system folder, never in the stub's own folder, where the
// shell would look first (a program of that name lying beside the
// downloaded archive would run instead); an absolute path or a URL as it
// stands. False when there is nothing to open: the command was cut when
// read, it is longer than a shell call takes, or a relative name is found
// in neither place.
static bool RunTarget(AppState* s, char* target) {
  const char* command = s->runCommand;
  int n = (int)strlen(command);
  if (s->archive.header.runCommandTruncated || n > kRunCommandOpened) return false;
  // A colon (never the second byte of a double-byte character) makes a
  // drive or a URL's scheme.
  bool relative = RootLength(command) == 0;
  for (const char* p = command; *p; p++)
    if (*p == ':') relative = false;
  if (!relative) {
    StrCopy(target, command);
    return true;
  }
  int d = (int)strlen(s->destFolder);
  if (d + n < MAX_PATH) {
    StrCopy(target + StrCopy(target, s->destFolder), command);
    if (OsProbeEntry(0, target) == kEntryFile) return true;
  }
  char system[MAX_PATH];
  UINT m = GetSystemDirectoryA(system, MAX_PATH);
  if (m == 0 || m >= MAX_PATH) return false;
  char* name;
  DWORD found = SearchPathA(system, command, ".exe", MAX_PATH, target, &name);
  return found > 0 && found < MAX_PATH;
}

// Opens the run command with the destination folder as the current one;
// says so when it cannot.
static void OpenRunCommand(AppState* s) {
  SetCurrentDirectoryA(s->destFolder);
  char target[MAX_PATH];
  if (!RunTarget(s, target) || (INT_PTR)ShellExecuteA(0, 0, target, 0, 0, SW_SHOWNORMAL) <= 32) {
    static char text[kRunCommandCap + sizeof TEXT_RUN_FAILED_SUFFIX];
    int n = StrCopy(text, s->runCommand);
    StrCopy(text + n, TEXT_RUN_FAILED_SUFFIX);
    ShowError(s->windows.mainWindow, text);
  }
}

void ExpandCommand(void* context) {
  AppState* s = (AppState*)context;
  Archive* a = &s->archive;
  StubWindows* w = &s->windows;
  if (a->header.protection.isProtected && !PasswordAccepted(s)) return;
  if (!DestinationReady(s)) return;

  ShowWindow(w->progressWindow, SW_SHOW);
  UpdateWindow(w->progressWindow);
  EnableWindow(w->mainWindow, FALSE);
  // The root marks where the destination ends: below it no junction or
  // link is taken for a folder or written through. The process ends with
  // the run, and the root with it.
  BeginDiskOutput(&s->output, OsOpenRoot(s->destFolder));
  s->sink = DiskOutputSink(&s->output);
  s->host = StubEngineHost(s);
  ExtractResult result = RunArchive(a, s->destFolder, &s->sink, &s->host);
  ShowPendingStatus(s);
  if (IsFatal(result)) EndOnExtractResult(s, result);
  ShowWindow(w->progressWindow, SW_HIDE);
  if (a->run.cancelRequested) {
    ShowBox(w->mainWindow, TEXT_CANCELLED, MB_OK | MB_ICONINFORMATION);
  } else {
    ShowBox(w->mainWindow, TEXT_FINISHED, MB_OK | MB_ICONINFORMATION);
    if (s->runCommand[0]) OpenRunCommand(s);
  }
  PostMessageA(w->mainWindow, WM_DESTROY, 0, 0);
}
