// The stub's entry: window classes and windows, the program's own file and
// its payload header, then the message loop. There is no C runtime: the
// entry point is StubEntry, and every end goes through ExitProcess.
#include <windows.h>

#include "app/app_state.h"
#include "app/fatal_end.h"
#include "ui/main_window.h"
#include "ui/progress_window.h"
#include "ui/texts.h"

AppState app;

static const char kMainClass[] = "core_gui";
static const char kProgressClass[] = "progress_window";
static const char kIconName[] = "main_icon";

// Brush value 5: the system colour COLOR_MENU plus one.
static HBRUSH const kMenuBrush = (HBRUSH)(COLOR_MENU + 1);

static void CreateWindows() {
  HINSTANCE inst = app.instance;
  WNDCLASSEXA main = {};
  main.cbSize = sizeof main;
  main.lpfnWndProc = MainWindowProc;
  main.hInstance = inst;
  main.hIcon = LoadIconA(inst, kIconName);
  main.hCursor = LoadCursorA(0, IDC_ARROW);
  main.hbrBackground = kMenuBrush;
  main.lpszClassName = kMainClass;
  main.hIconSm = LoadIconA(inst, kIconName);
  if (!RegisterClassExA(&main)) ExitProcess(0);
  app.mainWindow = CreateWindowExA(0, kMainClass, TEXT_TITLE_BANNER,
                                   WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, CW_USEDEFAULT,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, 0, 0, inst, 0);

  WNDCLASSA progress = {};
  progress.lpfnWndProc = ProgressWindowProc;
  progress.hInstance = inst;
  progress.hIcon = LoadIconA(inst, kIconName);
  progress.hCursor = LoadCursorA(0, IDC_ARROW);
  progress.hbrBackground = kMenuBrush;
  progress.lpszClassName = kProgressClass;
  if (!RegisterClassA(&progress)) ExitProcess(0);
  RECT desk;
  GetWindowRect(GetDesktopWindow(), &desk);
  const int cw = app.charWidth, lh = app.lineHeight;
  // Eight line heights for a window of seven: it sits half a line high.
  app.progressWindow =
      CreateWindowExA(0, kProgressClass, TEXT_PROGRESS_TITLE, WS_CAPTION,
                      (desk.right - 70 * cw) / 2, (desk.bottom - 8 * lh) / 2, 70 * cw, 7 * lh,
                      app.mainWindow, 0, inst, 0);
}

// Opens the program's own file and adapts the main window to its header.
static void LoadPayload() {
  char path[MAX_PATH + 1];
  DWORD n = GetModuleFileNameA(0, path, MAX_PATH);
  path[n <= MAX_PATH ? n : MAX_PATH] = 0;
  app.reader.payloadFile = OsOpenNative(path);
  if (app.reader.payloadFile == kNoFile) FatalReadError();

  PayloadHeader* h = &app.header;
  h->description = app.description;
  h->descriptionCap = kDescriptionCap;
  h->runCommand = app.runCommand;
  h->runCommandCap = kRunCommandCap;
  HeaderResult result = LoadPayloadHeader(app.reader.payloadFile, h);
  switch (result) {
    case kHeaderNoPayload:
      EnableWindow(app.expandButton, FALSE);
      return;
    case kHeaderShorter:
    case kHeaderLonger:
      // Refused before any window was shown: the box has no owner.
      MessageBoxA(0, result == kHeaderShorter ? TEXT_FILE_SHORTER : TEXT_FILE_LONGER,
                  TEXT_TITLE_BANNER, MB_ICONERROR);
      OsClose(app.reader.payloadFile);
      ExitProcess(0);
    case kHeaderUnreadable:
    case kHeaderTruncated:
      FatalReadError();
    case kHeaderRead:
      break;
  }
  SetWindowTextA(app.descriptionBox, app.description);
  if (h->protection.masked) SendMessageA(app.passwordBox, EM_SETPASSWORDCHAR, '*', 0);
  if (!h->protection.isProtected) {
    ShowWindow(app.passwordBox, SW_HIDE);
    ShowWindow(app.passwordLabel, SW_HIDE);
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

static int RunStub() {
  RestrictDllSearch();
  app.instance = GetModuleHandleA(0);
  app.reader.payloadFile = kNoFile;
  app.extraction.reader = &app.reader;
  app.extraction.outputFile = kNoFile;
  CreateWindows();
  LoadPayload();
  ShowWindow(app.mainWindow, SW_SHOW);
  UpdateWindow(app.mainWindow);
  MSG msg;
  while (GetMessageA(&msg, 0, 0, 0)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return (int)msg.wParam;
}

extern "C" void StubEntry() { ExitProcess((UINT)RunStub()); }
