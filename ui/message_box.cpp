#include "ui/message_box.h"

#include "app/app_state.h"
#include "ui/texts.h"

int ShowBox(const char* text, UINT flags) {
  return MessageBoxA(app.mainWindow, text, TEXT_TITLE_BANNER, flags);
}
