// Creation of every folder along a folder path, outermost first.
#ifndef CORVANE_PATHS_FOLDER_CHAIN_H
#define CORVANE_PATHS_FOLDER_CHAIN_H

#include "platform/platform.h"

// Walks the zero-terminated folder path and makes each folder in front of
// a separator that is missing. A separator at the very start and one right
// after a colon (a drive) are passed over. Returns 0 when every folder
// exists now, otherwise the length of the first prefix that is not a
// folder and could not be made one (the prefix is path[0 .. length)).
// Text behind the last separator is ignored. The path is cut in place for
// each platform call and restored before returning.
int MakeFolderChain(OsRoot* root, char* path);

#endif
