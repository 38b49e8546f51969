#include "ui/folder_chooser.h"

#include <shlobj.h>
#include <string.h>

#include "app/app_state.h"
#include "app/mini_crt.h"
#include "ui/texts.h"

static int CALLBACK SelectLastFolder(HWND browser, UINT message, LPARAM, LPARAM) {
  if (message == BFFM_INITIALIZED)
    SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, (LPARAM)app.lastFolder);
  return 0;
}

void ChooseFolder() {
  IMalloc* allocator;
  if (SHGetMalloc(&allocator) < 0) return;
  char desktop[MAX_PATH + 1] = "";
  char chosen[MAX_PATH + 1];
  char displayName[MAX_PATH + 1];
  LPITEMIDLIST location = 0;
  if (SHGetSpecialFolderLocation(app.mainWindow, CSIDL_DESKTOPDIRECTORY, &location) == S_OK &&
      location) {
    SHGetPathFromIDListA(location, desktop);
    allocator->Free(location);
  }
  BROWSEINFOA request;
  memset(&request, 0, sizeof request);
  request.hwndOwner = app.mainWindow;
  request.pszDisplayName = displayName;
  request.lpszTitle = TEXT_BROWSE_TITLE;
  request.ulFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN;
  // Opened on the desktop folder, the browser's own default selection is
  // that folder anyway; elsewhere the last folder is preselected.
  request.lpfn = strcmp(app.lastFolder, desktop) == 0 ? 0 : SelectLastFolder;
  LPITEMIDLIST item = SHBrowseForFolderA(&request);
  if (item) {
    chosen[0] = 0;
    SHGetPathFromIDListA(item, chosen);
    SetWindowTextA(app.folderBox, chosen);
    StrCopy(app.lastFolder, chosen);
    allocator->Free(item);
  }
  allocator->Release();
}
