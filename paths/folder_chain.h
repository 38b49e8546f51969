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

#endif
