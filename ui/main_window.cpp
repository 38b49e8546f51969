#include "ui/main_window.h"

#include <string.h>

#include "app/app_state.h"
#include "app/fatal_end.h"
#include "app/mini_crt.h"
#include "paths/folder_chain.h"
#include "paths/path_utils.h"
#include "payload/password.h"
#include "ui/controls.h"
#include "ui/folder_chooser.h"
#include "ui/message_box.h"
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
static void CreateMainControls(HWND window) {
  HDC dc = GetDC(window);
  SelectObject(dc, GetStockObject(SYSTEM_FONT));
  TEXTMETRICA tm;
  GetTextMetricsA(dc, &tm);
  const int cw = app.charWidth = tm.tmAveCharWidth;
  const int lh = app.lineHeight = tm.tmHeight + tm.tmExternalLeading;

  WINDOWPLACEMENT wp;
  wp.length = sizeof wp;
  wp.flags = 0;
  GetWindowPlacement(window, &wp);
  MoveWindow(window, wp.rcNormalPosition.left, wp.rcNormalPosition.top, 70 * cw, 20 * lh, TRUE);

  SIZE s = TextExtent(dc, TEXT_MESSAGE_LABEL);
  app.messageLabel =
      MakeControl(window, "static", TEXT_MESSAGE_LABEL, kChildStyle, 1, 1, s.cx, s.cy, kIdMessageLabel);
  s = TextExtent(dc, TEXT_PASSWORD_LABEL);
  app.passwordLabel = MakeControl(window, "static", TEXT_PASSWORD_LABEL, kChildStyle, 1, 16 * lh,
                                  s.cx, s.cy, kIdPasswordLabel);
  s = TextExtent(dc, TEXT_FOLDER_LABEL);
  app.folderLabel = MakeControl(window, "static", TEXT_FOLDER_LABEL, kChildStyle, 1, 13 * lh, s.cx,
                                s.cy, kIdFolderLabel);
  SIZE b = TextExtent(dc, TEXT_BROWSE_BUTTON);
  const int bw = b.cx + cw, bh = 3 * b.cy / 2;
  app.expandButton = MakeControl(window, "button", TEXT_EXPAND_BUTTON, kChildStyle, 60 * cw,
                                 17 * lh - lh / 4, bw, bh, kIdExpand);
  app.browseButton = MakeControl(window, "button", TEXT_BROWSE_BUTTON, kChildStyle, 60 * cw,
                                 14 * lh - lh / 4, bw, bh, kIdBrowse);
  ReleaseDC(window, dc);

  const DWORD editStyle = kChildStyle | WS_BORDER | ES_AUTOHSCROLL;
  app.descriptionBox = MakeControl(window, "edit", "",
                                   kChildStyle | WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_READONLY,
                                   cw - 2, 3 * lh / 2 - 2, 67 * cw, 11 * lh, kIdDescription);
  app.passwordBox =
      MakeControl(window, "edit", "", editStyle, cw - 2, 17 * lh, 57 * cw + 4, lh, kIdPassword);
  DWORD n = GetCurrentDirectoryA(0, 0);
  if (n == 0 || n > (DWORD)kFolderCap) n = 1;
  app.lastFolder[0] = 0;
  GetCurrentDirectoryA(n, app.lastFolder);
  app.folderBox = MakeControl(window, "edit", app.lastFolder, editStyle, cw - 2, 14 * lh,
                              57 * cw + 4, lh, kIdFolder);
}

// The whole text of an edit, on the process heap; release with HeapFree.
static char* EditText(HWND edit) {
  int n = GetWindowTextLengthA(edit) + 1;
  char* text = (char*)HeapAlloc(GetProcessHeap(), 0, (SIZE_T)n);
  if (!text) FatalWriteError();
  text[0] = 0;
  GetWindowTextA(edit, text, n);
  return text;
}

static bool PasswordAccepted() {
  char* text = EditText(app.passwordBox);
  int len = (int)strlen(text);
  // The empty password cannot decipher anything, whatever its check value.
  bool ok = len > 0 && CheckPassword(app.header.protection.checkValue, (const uint8_t*)text, len);
  if (ok) {
    if (app.key) HeapFree(GetProcessHeap(), 0, app.key);
    app.key = text;
    app.keyLen = len;
  } else {
    HeapFree(GetProcessHeap(), 0, text);
    ShowBox(TEXT_WRONG_PASSWORD, MB_OK | MB_ICONEXCLAMATION);
    SetFocus(app.passwordBox);
  }
  return ok;
}

// Forms the destination folder from the folder edit, and makes it with the
// user's consent.
static bool DestinationReady() {
  char* text = EditText(app.folderBox);
  int n = EnsureTrailingBackslash(text, app.destFolder, kFolderCap + 1);
  HeapFree(GetProcessHeap(), 0, text);
  if (n < 0) {
    ShowError(TEXT_CANNOT_CREATE_FOLDER);
    return false;
  }
  switch (ProbeFolder(app.destFolder)) {
    case FolderPresent:
      return true;
    case FolderAbsent:
      if (ShowBox(TEXT_CREATE_FOLDER, MB_YESNO | MB_ICONQUESTION) != IDYES) return false;
      if (MakeFolderChain(app.destFolder) == 0) return true;
      ShowError(TEXT_CANNOT_CREATE_FOLDER);
      return false;
    default:
      ShowError(TEXT_CANNOT_CREATE_FOLDER);
      return false;
  }
}

static void OpenRunCommand() {
  SetCurrentDirectoryA(app.destFolder);
  HINSTANCE r = ShellExecuteA(0, 0, app.runCommand, 0, 0, SW_SHOWNORMAL);
  if ((INT_PTR)r <= 32) {
    static char text[kRunCommandCap + sizeof TEXT_RUN_FAILED_SUFFIX];
    int n = StrCopy(text, app.runCommand);
    StrCopy(text + n, TEXT_RUN_FAILED_SUFFIX);
    ShowError(text);
  }
}

static void ExpandCommand() {
  if (app.header.protection.isProtected && !PasswordAccepted()) return;
  if (!DestinationReady()) return;

  ShowWindow(app.progressWindow, SW_SHOW);
  UpdateWindow(app.progressWindow);
  EnableWindow(app.mainWindow, FALSE);
  BeginBlockStream(&app.reader, app.reader.payloadFile, app.header.protection.isProtected,
                   (const uint8_t*)app.key, app.keyLen);
  ExtractResult result = ExtractAll(&app.extraction, app.destFolder);
  if (result != kExtractFinished && result != kExtractCancelled) EndOnExtractResult(result);
  ShowWindow(app.progressWindow, SW_HIDE);
  if (app.extraction.cancelRequested) {
    ShowBox(TEXT_CANCELLED, MB_OK | MB_ICONINFORMATION);
  } else {
    ShowBox(TEXT_FINISHED, MB_OK | MB_ICONINFORMATION);
    if (app.runCommand[0]) OpenRunCommand();
  }
  PostMessageA(app.mainWindow, WM_DESTROY, 0, 0);
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      CreateMainControls(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED) {
        if ((HWND)lParam == app.expandButton && lParam) {
          ExpandCommand();
          return 0;
        }
        if ((HWND)lParam == app.browseButton && lParam) {
          ChooseFolder();
          return 0;
        }
      }
      break;
    case WM_CTLCOLORSTATIC:
      if ((HWND)lParam == app.descriptionBox) return (LRESULT)GetStockObject(WHITE_BRUSH);
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
