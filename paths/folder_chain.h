// Creation of every folder along a folder path, outermost first.
#ifndef CORVANE_PATHS_FOLDER_CHAIN_H
#define CORVANE_PATHS_FOLDER_CHAIN_H

#include "platform/platform.h"

// Walks the zero-terminated folder path and makes each folder in front of
// a separator that is missing. The root at its start (RootLength: a
// drive, a share, a device path, a leading backslash) and a separator
// right after a colon are passed over. A folder that another program makes
// between the probe and the creation counts as made. Returns 0 when every folder
// exists now, otherwise the length of the first prefix that is not a
// folder and could not be made one (the prefix is path[0 .. length)).
// Text behind the last separator is ignored. The path is cut in place for
// each platform call and restored before returning. The first `known`
// bytes (0, or up to just past a separator) hold folders known to exist:
// no folder that ends inside them is looked at.
int MakeFolderChain(OsRoot* root, char* path, int known);

// How much of a folder path a walk may take as known after an earlier
// walk of `walked` succeeded: the bytes the two share, up to just past a
// separator. A shared 0x5C that is the tail of a double-byte character is
// no folder's end; the walk then starts at the character after it and
// still looks at the folder that character is in. Nothing past a slash
// counts as shared: a probe never finds a name that ends in one, though
// it could be made, so the next walk through it must fail there as it did
// the first time.
inline int KnownFolderPrefix(const char* path, const char* walked) {
  int known = 0;
  for (int i = 0; path[i] && path[i] == walked[i] && path[i] != '/';)
    if (path[i++] == '\\') known = i;
  return known;
}

#endif
