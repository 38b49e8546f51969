// The window classes of the stub and its two windows.
#include "ui/stub_windows.h"

#include "ui/main_window.h"
#include "ui/progress_window.h"
#include "ui/texts.h"

static const char kMainClass[] = "core_gui";
static const char kProgressClass[] = "progress_window";
static const char kIconName[] = "main_icon";

// Brush value 5: the system colour COLOR_MENU plus one.
static HBRUSH const kMenuBrush = (HBRUSH)(COLOR_MENU + 1);

bool CreateStubWindows(StubWindows* w) {
  HINSTANCE inst = w->instance;
  WNDCLASSEXA main = {};
  main.cbSize = sizeof main;
  main.lpfnWndProc = MainWindowProc;
  main.hInstance = inst;
  main.hIcon = LoadIconA(inst, kIconName);
  main.hCursor = LoadCursorA(0, IDC_ARROW);
  main.hbrBackground = kMenuBrush;
  main.lpszClassName = kMainClass;
  main.hIconSm = LoadIconA(inst, kIconName);
  if (!RegisterClassExA(&main)) return false;
  w->mainWindow = CreateWindowExA(0, kMainClass, TEXT_TITLE_BANNER,
                                  WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, 0, 0, inst, w);

  // The progress window's class differs from the main window's only in
  // its procedure and name.
  main.lpfnWndProc = ProgressWindowProc;
  main.lpszClassName = kProgressClass;
  if (!RegisterClassExA(&main)) return false;
  RECT desk;
  GetWindowRect(GetDesktopWindow(), &desk);
  const int cw = w->charWidth, lh = w->lineHeight;
  // Eight line heights for a window of seven: it sits half a line high.
  w->progressWindow =
      CreateWindowExA(0, kProgressClass, TEXT_PROGRESS_TITLE, WS_CAPTION,
                      (desk.right - 70 * cw) / 2, (desk.bottom - 8 * lh) / 2, 70 * cw, 7 * lh,
                      w->mainWindow, 0, inst, w);
  return true;
}
