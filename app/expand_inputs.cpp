// The password and the destination folder of the expand command.
#include "app/expand_inputs.h"

#include <string.h>

#include "app/fatal_end.h"
#include "paths/folder_chain.h"
#include "paths/path_utils.h"
#include "ui/message_box.h"
#include "ui/texts.h"

// The whole text of an edit, on the process heap; release with OsFree.
static char* EditText(AppState* s, HWND edit) {
  int n = GetWindowTextLengthA(edit) + 1;
  char* text = (char*)OsAlloc((size_t)n);
  if (!text) FatalWriteError(s);
  text[0] = 0;
  GetWindowTextA(edit, text, n);
  return text;
}

bool PasswordAccepted(AppState* s) {
  Archive* a = &s->archive;
  const uint8_t* previous = a->key;
  char* text = EditText(s, s->windows.passwordBox);
  if (AcceptPassword(a, (const uint8_t*)text, (int32_t)strlen(text))) {
    if (previous) OsFree((void*)previous);
    return true;
  }
  OsFree(text);
  ShowBox(s->windows.mainWindow, TEXT_WRONG_PASSWORD, MB_OK | MB_ICONEXCLAMATION);
  SetFocus(s->windows.passwordBox);
  return false;
}

bool DestinationReady(AppState* s) {
  HWND owner = s->windows.mainWindow;
  char* text = EditText(s, s->windows.folderBox);
  int n = EnsureTrailingBackslash(text, s->destFolder, kFolderCap + 1);
  OsFree(text);
  if (n < 0) {
    ShowError(owner, TEXT_CANNOT_CREATE_FOLDER);
    return false;
  }
  switch (ProbeFolder(0, s->destFolder)) {
    case FolderPresent:
      return true;
    case FolderAbsent:
      if (ShowBox(owner, TEXT_CREATE_FOLDER, MB_YESNO | MB_ICONQUESTION) != IDYES) return false;
      if (MakeFolderChain(0, s->destFolder, 0) == 0) return true;
      ShowError(owner, TEXT_CANNOT_CREATE_FOLDER);
      return false;
    default:
      ShowError(owner, TEXT_CANNOT_CREATE_FOLDER);
      return false;
  }
}
