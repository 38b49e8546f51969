// The main window: its controls, laid out in the system font's measures,
// and its two buttons.
#include "ui/main_window.h"

#include "ui/controls.h"
#include "ui/folder_chooser.h"
#include "ui/stub_windows.h"
#include "ui/texts.h"

enum ControlId {
  kIdDescription = 1,
  kIdPassword = 2,
  kIdExpand = 3,
  kIdMessageLabel = 4,
  kIdPasswordLabel = 5,
  kIdFolderLabel = 6,
  kIdFolder = 7,
  kIdBrowse = 8,
};

// Measures the system font, sizes the window and builds its controls.
static void CreateMainControls(HWND window, StubWindows* w) {
  HINSTANCE inst = w->instance;
  HDC dc = GetDC(window);
  SelectObject(dc, GetStockObject(SYSTEM_FONT));
  TEXTMETRICA tm;
  GetTextMetricsA(dc, &tm);
  const int cw = w->charWidth = tm.tmAveCharWidth;
  const int lh = w->lineHeight = tm.tmHeight + tm.tmExternalLeading;

  WINDOWPLACEMENT wp;
  wp.length = sizeof wp;
  wp.flags = 0;
  GetWindowPlacement(window, &wp);
  MoveWindow(window, wp.rcNormalPosition.left, wp.rcNormalPosition.top, 70 * cw, 20 * lh, TRUE);

  SIZE s = TextExtent(dc, TEXT_MESSAGE_LABEL);
  w->messageLabel = MakeControl(window, inst, "static", TEXT_MESSAGE_LABEL, kChildStyle, 1, 1,
                                s.cx, s.cy, kIdMessageLabel);
  s = TextExtent(dc, TEXT_PASSWORD_LABEL);
  w->passwordLabel = MakeControl(window, inst, "static", TEXT_PASSWORD_LABEL, kChildStyle, 1,
                                 16 * lh, s.cx, s.cy, kIdPasswordLabel);
  s = TextExtent(dc, TEXT_FOLDER_LABEL);
  w->folderLabel = MakeControl(window, inst, "static", TEXT_FOLDER_LABEL, kChildStyle, 1,
                               13 * lh, s.cx, s.cy, kIdFolderLabel);
  SIZE b = TextExtent(dc, TEXT_BROWSE_BUTTON);
  const int bw = b.cx + cw, bh = 3 * b.cy / 2;
  w->expandButton = MakeControl(window, inst, "button", TEXT_EXPAND_BUTTON, kChildStyle, 60 * cw,
                                17 * lh - lh / 4, bw, bh, kIdExpand);
  w->browseButton = MakeControl(window, inst, "button", TEXT_BROWSE_BUTTON, kChildStyle, 60 * cw,
                                14 * lh - lh / 4, bw, bh, kIdBrowse);
  ReleaseDC(window, dc);

  const DWORD editStyle = kChildStyle | WS_BORDER | ES_AUTOHSCROLL;
  w->descriptionBox =
      MakeControl(window, inst, "edit", "",
                  kChildStyle | WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_READONLY, cw - 2,
                  3 * lh / 2 - 2, 67 * cw, 11 * lh, kIdDescription);
  w->passwordBox = MakeControl(window, inst, "edit", "", editStyle, cw - 2, 17 * lh, 57 * cw + 4,
                               lh, kIdPassword);
  DWORD n = GetCurrentDirectoryA(0, 0);
  if (n == 0 || n > (DWORD)kFolderCap) n = 1;
  w->lastFolder[0] = 0;
  GetCurrentDirectoryA(n, w->lastFolder);
  w->folderBox = MakeControl(window, inst, "edit", w->lastFolder, editStyle, cw - 2, 14 * lh,
                             57 * cw + 4, lh, kIdFolder);
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      CreateMainControls(window, KeepWindowsOf(window, lParam));
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED && lParam) {
        StubWindows* w = WindowsOf(window);
        if ((HWND)lParam == w->expandButton) {
          w->expand(w->expandContext);
          return 0;
        }
        if ((HWND)lParam == w->browseButton) {
          ChooseFolder(w);
          return 0;
        }
      }
      break;
    case WM_CTLCOLORSTATIC:
      if ((HWND)lParam == WindowsOf(window)->descriptionBox)
        return (LRESULT)GetStockObject(WHITE_BRUSH);
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
