// The folder browser behind the browse button.
#include "ui/folder_chooser.h"

#include <shlobj.h>
#include <string.h>

#include "ui/stub_windows.h"
#include "ui/texts.h"

// lastFolder is the request's lParam.
static int CALLBACK SelectLastFolder(HWND browser, UINT message, LPARAM, LPARAM lastFolder) {
  if (message == BFFM_INITIALIZED) SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, lastFolder);
  return 0;
}

void ChooseFolder(StubWindows* w) {
  IMalloc* allocator;
  if (SHGetMalloc(&allocator) < 0) return;
  char desktop[MAX_PATH + 1] = "";
  char displayName[MAX_PATH + 1];
  LPITEMIDLIST location = 0;
  if (SHGetSpecialFolderLocation(w->mainWindow, CSIDL_DESKTOPDIRECTORY, &location) == S_OK &&
      location) {
    SHGetPathFromIDListA(location, desktop);
    allocator->Free(location);
  }
  BROWSEINFOA request;
  memset(&request, 0, sizeof request);
  request.hwndOwner = w->mainWindow;
  request.pszDisplayName = displayName;
  request.lpszTitle = TEXT_BROWSE_TITLE;
  request.ulFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN;
  // Opened on the desktop folder, the browser's own default selection is
  // that folder anyway; elsewhere the last folder is preselected.
  request.lpfn = strcmp(w->lastFolder, desktop) == 0 ? 0 : SelectLastFolder;
  request.lParam = (LPARAM)w->lastFolder;
  LPITEMIDLIST item = SHBrowseForFolderA(&request);
  if (item) {
    // The choice is the last folder from now on, and what the edit shows.
    w->lastFolder[0] = 0;
    SHGetPathFromIDListA(item, w->lastFolder);
    SetWindowTextA(w->folderBox, w->lastFolder);
    allocator->Free(item);
  }
  allocator->Release();
}
