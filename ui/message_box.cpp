// The one call behind every message box of the stub.
#include "ui/message_box.h"

#include "ui/texts.h"

int ShowBox(HWND owner, const char* text, UINT flags) {
  return MessageBoxA(owner, text, TEXT_TITLE_BANNER, flags);
}
