#include "engine/file_side.h"

#include <string.h>

#include "engine/engine_host.h"
#include "paths/folder_chain.h"
#include "paths/path_utils.h"

// Makes the folders of the zero-terminated prefix fullPath[0 .. len).
static ExtractResult MakeFolders(Extraction* x, int32_t len) {
  if (x->writeNothing) return kExtractFinished;
  char saved = x->fullPath[len];
  x->fullPath[len] = 0;
  int failed = MakeFolderChain(x->fullPath);
  if (failed > 0) {
    memcpy(x->failedPrefix, x->fullPath, (size_t)failed);
    x->failedPrefix[failed] = 0;
    x->failedPrefixLen = failed;
  }
  x->fullPath[len] = saved;
  return failed > 0 ? kExtractFolderFailed : kExtractFinished;
}

// The file at its own name, where nothing stood before.
static OsFile CreateDirect(Extraction* x) {
  memcpy(x->outputPath, x->fullPath, (size_t)x->fullPathLen + 1);
  return OsCreateFile(x->outputPath);
}

// A new file beside the one it replaces: "corvane-N.tmp" in the same folder
// (the same file system, so the final move is one step).
static OsFile CreateTemporary(Extraction* x) {
  int folderLen = FolderPartOf(x->fullPath);
  memcpy(x->outputPath, x->fullPath, (size_t)folderLen);
  for (int n = 0; n < 1000; n++) {
    char* p = x->outputPath + folderLen;
    const char* stem = "corvane-";
    while (*stem) *p++ = *stem++;
    char digits[4];
    int d = 0, v = n;
    do {
      digits[d++] = (char)('0' + v % 10);
      v /= 10;
    } while (v);
    while (d) *p++ = digits[--d];
    const char* ext = ".tmp";
    while (*ext) *p++ = *ext++;
    *p = 0;
    OsFile f = OsCreateNewFile(x->outputPath);
    if (f != kNoFile) return f;
    if (OsProbeEntry(x->outputPath) == kEntryNone) break;  // not a name clash
  }
  return kNoFile;
}

ExtractResult MakeFolderEntry(Extraction* x) {
  ExtractResult res = MakeFolders(x, x->fullPathLen - 1);
  if (res == kExtractFinished) x->foldersDone++;
  return res;
}

ExtractResult OpenOutputFile(Extraction* x) {
  HostShowStatus(x, kStatusExamining);
  x->skipping = x->writeNothing;
  x->replacing = false;
  if (!x->skipping && OsProbeEntry(x->fullPath) != kEntryNone) {
    OverwriteAnswer answer = HostAskOverwrite(x);
    if (answer == kOverwriteCancel) {
      x->cancelRequested = 1;
      return kExtractCancelled;
    }
    x->skipping = answer == kOverwriteNo;
    x->replacing = !x->skipping;
  }
  HostShowStatus(x, x->skipping ? kStatusSkipping : kStatusExpanding);
  ExtractResult res = MakeFolders(x, FolderPartOf(x->fullPath));
  if (res != kExtractFinished || x->skipping) return res;
  x->outputFile = x->replacing ? CreateTemporary(x) : CreateDirect(x);
  return x->outputFile == kNoFile ? kExtractWriteFailed : kExtractFinished;
}

ExtractResult CloseOutputFile(Extraction* x) {
  if (!x->skipping) {
    if (!OsSetFileTimes(x->outputFile, x->item.creationTime, x->item.accessTime,
                        x->item.writeTime))
      return kExtractWriteFailed;
    OsFile f = x->outputFile;
    x->outputFile = kNoFile;
    if (!OsClose(f)) {
      // Its contents cannot be trusted: AbandonRun deletes it.
      x->outputUnfinished = true;
      return kExtractWriteFailed;
    }
    if (x->cancelRequested) {
      OsDeleteFile(x->outputPath);
    } else if (x->replacing && !OsReplaceFile(x->outputPath, x->fullPath)) {
      x->outputUnfinished = true;
      return kExtractWriteFailed;
    }
  }
  if (!x->cancelRequested) {
    x->filesDone++;
    x->bytesOut += x->item.size;
  }
  return kExtractFinished;
}
