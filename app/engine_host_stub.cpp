// The engine's questions and reports, as the stub shows them.
#include "app/app_state.h"
#include "app/mini_crt.h"
#include "engine/engine_host.h"
#include "ui/message_box.h"
#include "ui/texts.h"

static char lineBuf[kMaxPath + 64];

// prefix + path + suffix, in lineBuf.
static const char* Compose(const char* prefix, const char* path, const char* suffix) {
  int n = StrCopy(lineBuf, prefix);
  n += StrCopy(lineBuf + n, path);
  StrCopy(lineBuf + n, suffix);
  return lineBuf;
}

OverwriteAnswer HostAskOverwrite(Extraction* x) {
  int answer = ShowBox(Compose("", x->fullPath, TEXT_OVERWRITE_SUFFIX),
                       MB_YESNOCANCEL | MB_ICONQUESTION);
  if (answer == IDYES) return kOverwriteYes;
  return answer == IDNO ? kOverwriteNo : kOverwriteCancel;
}

void HostShowStatus(Extraction* x, StatusKind kind) {
  static const char* const kPrefixes[] = {TEXT_STATUS_EXAMINING, TEXT_STATUS_SKIPPING,
                                          TEXT_STATUS_EXPANDING};
  SetWindowTextA(app.statusText, Compose(kPrefixes[kind], x->fullPath, ""));
}

void HostPumpMessages(Extraction*) {
  // One message at most: enough to keep the progress window painted and
  // its Cancel button alive without slowing the decoder.
  MSG msg;
  if (PeekMessageA(&msg, 0, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

void HostItemRead(Extraction*) {}
