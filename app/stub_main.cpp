// The stub's entry: the windows, the program's own file and its payload
// header, then the message loop. There is no C runtime: the entry point is
// StubEntry, and every end goes through ExitProcess.
#include <windows.h>

#include "app/app_state.h"
#include "app/expand_command.h"
#include "app/fatal_end.h"
#include "ui/message_box.h"
#include "ui/stub_windows.h"
#include "ui/texts.h"

static AppState app;

// Opens the program's own file and adapts the main window to its header.
static void LoadPayload(AppState* s) {
  char path[MAX_PATH + 1];
  DWORD n = GetModuleFileNameA(0, path, MAX_PATH);
  path[n <= MAX_PATH ? n : MAX_PATH] = 0;

  Archive* a = &s->archive;
  PayloadHeader* h = &a->header;
  h->description = s->description;
  h->descriptionCap = kDescriptionCap;
  h->runCommand = s->runCommand;
  h->runCommandCap = kRunCommandCap;
  const StubWindows* w = &s->windows;
  HeaderResult result = OpenArchive(a, path);
  switch (result) {
    case kHeaderNoPayload:
      EnableWindow(w->expandButton, FALSE);
      return;
    case kHeaderShorter:
    case kHeaderLonger:
      // Refused before any window was shown: the box has no owner.
      ShowError(0, result == kHeaderShorter ? TEXT_FILE_SHORTER : TEXT_FILE_LONGER);
      CloseArchive(a);
      ExitProcess(0);
    case kHeaderNotOpened:
    case kHeaderUnreadable:
    case kHeaderTruncated:
      FatalReadError(s);
    case kHeaderRead:
      break;
  }
  SetWindowTextA(w->descriptionBox, s->description);
  if (h->protection.masked) SendMessageA(w->passwordBox, EM_SETPASSWORDCHAR, '*', 0);
  if (!h->protection.isProtected) {
    ShowWindow(w->passwordBox, SW_HIDE);
    ShowWindow(w->passwordLabel, SW_HIDE);
  }
}

// DLLs are looked for in the system folder only, so that a DLL planted
// beside the archive (in a downloads folder, say) is never loaded. Looked
// up at run time: systems without the call still start.
static void RestrictDllSearch() {
  typedef BOOL(WINAPI * SetDirectories)(DWORD);
  SetDirectories set = (SetDirectories)(void*)GetProcAddress(GetModuleHandleA("kernel32.dll"),
                                                            "SetDefaultDllDirectories");
  if (set) set(0x00000800);  // LOAD_LIBRARY_SEARCH_SYSTEM32
}

static int RunStub(AppState* s) {
  RestrictDllSearch();
  StubWindows* w = &s->windows;
  w->instance = GetModuleHandleA(0);
  w->expand = ExpandCommand;
  w->expandContext = s;
  w->cancelRequested = &s->archive.run.cancelRequested;
  if (!CreateStubWindows(w)) ExitProcess(0);
  LoadPayload(s);
  ShowWindow(w->mainWindow, SW_SHOW);
  UpdateWindow(w->mainWindow);
  MSG msg;
  while (GetMessageA(&msg, 0, 0, 0)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  // Already closed when a run has ended.
  CloseArchive(&s->archive);
  return (int)msg.wParam;
}

extern "C" void StubEntry() { ExitProcess((UINT)RunStub(&app)); }
