// The expand command, from the button to the close of the main window.
#include "app/expand_command.h"

#include "app/app_state.h"
#include "app/engine_host_stub.h"
#include "app/expand_inputs.h"
#include "app/fatal_end.h"
#include "app/mini_crt.h"
#include "ui/message_box.h"
#include "ui/texts.h"

// Opens the run command in the destination folder; says so when it fails.
static void OpenRunCommand(AppState* s) {
  SetCurrentDirectoryA(s->destFolder);
  HINSTANCE r = ShellExecuteA(0, 0, s->runCommand, 0, 0, SW_SHOWNORMAL);
  if ((INT_PTR)r <= 32) {
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
  BeginDiskOutput(&s->output, 0);
  s->sink = DiskOutputSink(&s->output);
  s->host = StubEngineHost(s);
  ExtractResult result = RunArchive(a, s->destFolder, &s->sink, &s->host);
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
