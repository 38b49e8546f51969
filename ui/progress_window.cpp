// The progress window's controls and its Cancel button.
#include "ui/progress_window.h"

#include "ui/controls.h"
#include "ui/stub_windows.h"
#include "ui/texts.h"

enum { kIdStatus = 1, kIdCancel = 2 };

static void CreateProgressControls(HWND window, StubWindows* w) {
  // No font is selected: the context's default is the system font, the
  // one the main window measured.
  HDC dc = GetDC(window);
  const int cw = w->charWidth, lh = w->lineHeight;
  w->statusText =
      MakeControl(window, w->instance, "static", "", kChildStyle, 2, lh, 70 * cw, lh, kIdStatus);
  SIZE k = TextExtent(dc, TEXT_CANCEL_BUTTON);
  w->cancelButton = MakeControl(window, w->instance, "button", TEXT_CANCEL_BUTTON, kChildStyle,
                                30 * cw, 3 * lh, k.cx + cw, 3 * k.cy / 2, kIdCancel);
  ReleaseDC(window, dc);
}

LRESULT CALLBACK ProgressWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      CreateProgressControls(window, KeepWindowsOf(window, lParam));
      return 0;
    case WM_COMMAND:
      if (lParam && HIWORD(wParam) == BN_CLICKED) {
        StubWindows* w = WindowsOf(window);
        if ((HWND)lParam == w->cancelButton) {
          // Only a request: the engine sees it at its next check.
          *w->cancelRequested = 1;
          return 0;
        }
      }
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
