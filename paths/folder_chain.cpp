// Creation of every folder along a folder path, outermost first.
#include "paths/folder_chain.h"

#include "platform/platform.h"

int MakeFolderChain(OsRoot* root, char* path) {
  const char* previous = 0;
  char* p = path;
  while (*p) {
    while (*p && *p != '\\') {
      previous = p;
      p = (char*)OsCharNext(p);
    }
    if (*p == 0) break;
    if (previous && *previous != ':') {
      *p = 0;
      EntryKind kind = OsProbeEntry(root, path);
      bool ok = kind == kEntryFolder ||
                (kind == kEntryNone && OsCreateFolder(root, path));
      *p = '\\';
      if (!ok) return (int)(p - path);
    }
    previous = p;
    p++;
  }
  return 0;
}
