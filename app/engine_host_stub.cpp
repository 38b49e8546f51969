// The engine's questions and reports, as the stub shows them.
#include "app/engine_host_stub.h"

#include "app/mini_crt.h"
#include "ui/message_box.h"
#include "ui/texts.h"

// prefix + path + suffix, in the record's status line.
static const char* Compose(AppState* s, const char* prefix, const char* path,
                           const char* suffix) {
  char* line = s->statusLine;
  int n = StrCopy(line, prefix);
  n += StrCopy(line + n, path);
  StrCopy(line + n, suffix);
  return line;
}

void ShowPendingStatus(AppState* s) {
  if (!s->statusPending) return;
  s->statusPending = false;
  // The text is the control's at once, but it is painted with the
  // window's next paint: a static control repaints itself at every
  // WM_SETTEXT.
  HWND status = s->windows.statusText;
  DefWindowProcA(status, WM_SETTEXT, 0, (LPARAM)s->statusLine);
  InvalidateRect(status, 0, FALSE);
}

static OverwriteAnswer AskOverwrite(void* context, const Extraction* x) {
  AppState* s = (AppState*)context;
  ShowPendingStatus(s);  // before the question's text takes the line
  int answer = ShowBox(s->windows.mainWindow, Compose(s, "", x->fullPath, TEXT_OVERWRITE_SUFFIX),
                       MB_YESNOCANCEL | MB_ICONQUESTION);
  if (answer == IDYES) return kOverwriteYes;
  return answer == IDNO ? kOverwriteNo : kOverwriteCancel;
}

// The line is only formed here; the control takes it at the engine's next
// look at the queue, before a question, or when the run ends. Nothing can
// paint or read it in between, as nothing handles messages, and under
// Wine setting and invalidating it are two round trips to the window
// system, as much as a small file's whole extraction, twice per file.
static void ShowStatus(void* context, const Extraction* x, StatusKind kind) {
  static const char* const kPrefixes[] = {TEXT_STATUS_EXAMINING, TEXT_STATUS_SKIPPING,
                                          TEXT_STATUS_EXPANDING};
  AppState* s = (AppState*)context;
  Compose(s, kPrefixes[kind], x->fullPath, "");
  s->statusPending = true;
}

// A look at the queue costs a round trip to the window system, which under
// Wine is as much as decoding a thousand tokens: the engine looks at most
// once per kPumpMillis, enough to keep the progress window painted and its
// Cancel button alive.
const DWORD kPumpMillis = 10;

static void PumpMessages(void* context, Extraction*) {
  AppState* s = (AppState*)context;
  DWORD now = GetTickCount();
  if (now - s->lastPump < kPumpMillis) return;
  s->lastPump = now;
  ShowPendingStatus(s);
  // One message at most, so as not to slow the decoder.
  MSG msg;
  if (PeekMessageA(&msg, 0, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

EngineHost StubEngineHost(AppState* s) {
  EngineHost host = {s, AskOverwrite, ShowStatus, PumpMessages, 0};
  return host;
}
