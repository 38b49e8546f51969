#include "ui/progress_window.h"

#include "app/app_state.h"
#include "ui/controls.h"
#include "ui/texts.h"

enum { kIdStatus = 1, kIdCancel = 2 };

static void CreateProgressControls(HWND window) {
  // No font is selected: the context's default is the system font, the
  // one the main window measured.
  HDC dc = GetDC(window);
  const int cw = app.charWidth, lh = app.lineHeight;
  app.statusText = MakeControl(window, "static", "", kChildStyle, 2, lh, 70 * cw, lh, kIdStatus);
  SIZE k = TextExtent(dc, TEXT_CANCEL_BUTTON);
  app.cancelButton = MakeControl(window, "button", TEXT_CANCEL_BUTTON, kChildStyle, 30 * cw, 3 * lh,
                                 k.cx + cw, 3 * k.cy / 2, kIdCancel);
  ReleaseDC(window, dc);
}

LRESULT CALLBACK ProgressWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      CreateProgressControls(window);
      return 0;
    case WM_COMMAND:
      if ((HWND)lParam == app.cancelButton && lParam && HIWORD(wParam) == BN_CLICKED) {
        // Only a request: the engine sees it at its next check.
        app.extraction.cancelRequested = 1;
        return 0;
      }
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
