// Creation of every folder along a folder path, outermost first.
#include "paths/folder_chain.h"

#include "paths/path_utils.h"
#include "platform/platform.h"

int MakeFolderChain(OsRoot* root, char* path, int known) {
  const char* previous = 0;
  char* p = path + RootLength(path);
  if (p < path + known) p = path + known;
  if (p > path) previous = p - 1;  // the root's separator, or its colon
  while (*p) {
    while (*p && *p != '\\') {
      previous = p;
      p = (char*)OsCharNext(p);
    }
    if (*p == 0) break;
    if (previous && *previous != ':') {
      *p = 0;
      EntryKind kind = OsProbeEntry(root, path);
      // A folder that another program made after the probe is as good as
      // one made here.
      bool ok = kind == kEntryFolder ||
                (kind == kEntryNone && (OsCreateFolder(root, path) ||
                                        OsProbeEntry(root, path) == kEntryFolder));
      *p = '\\';
      if (!ok) return (int)(p - path);
    }
    previous = p;
    p++;
  }
  return 0;
}
