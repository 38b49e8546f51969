// The output sink of the files on disk.
#include "engine/disk_output.h"

#include <string.h>

#include "paths/folder_chain.h"
#include "paths/path_utils.h"

// Makes the folders of the prefix fullPath[0 .. len), which ends with a
// separator, from where it leaves the chain made last.
static ExtractResult MakeFolders(DiskOutput* d, Extraction* x, int32_t len) {
  char* path = x->fullPath;
  char saved = path[len];
  path[len] = 0;
  int known = KnownFolderPrefix(path, d->made);
  int failed = MakeFolderChain(d->root, path, known);
  if (failed > 0) {
    memcpy(x->failedPrefix, path, (size_t)failed);
    x->failedPrefix[failed] = 0;
  } else {
    memcpy(d->made, path, (size_t)len + 1);
  }
  path[len] = saved;
  return failed > 0 ? kExtractFolderFailed : kExtractFinished;
}

// The file at its own name, where nothing stood before.
static OsFile CreateDirect(DiskOutput* d, const Extraction* x) {
  memcpy(d->path, x->fullPath, (size_t)x->fullPathLen + 1);
  return OsCreateFile(d->root, d->path);
}

// A new file beside the one it replaces: the platform's stem, N and ".tmp"
// in the same folder (the same file system, so the final move is one
// step).
// Copies s with its terminating zero to p; returns where the zero went.
static char* Append(char* p, const char* s) {
  while ((*p = *s++) != 0) p++;
  return p;
}

static OsFile CreateTemporary(DiskOutput* d, const Extraction* x) {
  int folderLen = FolderPartOf(x->fullPath);
  memcpy(d->path, x->fullPath, (size_t)folderLen);
  for (int n = 0; n < 1000; n++) {
    char* p = Append(d->path + folderLen, OsTemporaryStem());
    char digits[4];
    int k = 0, v = n;
    do {
      digits[k++] = (char)('0' + v % 10);
      v /= 10;
    } while (v);
    while (k) *p++ = digits[--k];
    Append(p, ".tmp");
    OsFile f = OsCreateNewFile(d->root, d->path);
    if (f != kNoFile) return f;
    if (OsProbeEntry(d->root, d->path) == kEntryNone) break;  // not a name clash
  }
  return kNoFile;
}

static ExtractResult Folder(void* context, Extraction* x) {
  return MakeFolders((DiskOutput*)context, x, x->fullPathLen - 1);
}

// Everything before a file's bytes: the status, the overwrite question
// when something is in the way, the folders above it and the output file.
static ExtractResult BeginFileOnDisk(void* context, Extraction* x) {
  DiskOutput* d = (DiskOutput*)context;
  HostShowStatus(x, kStatusExamining);
  d->replacing = false;
  if (!x->pathFoundFree && OsProbeEntry(d->root, x->fullPath) != kEntryNone) {
    OverwriteAnswer answer = x->host->askOverwrite(x->host->context, x);
    if (answer == kOverwriteCancel) {
      x->cancelRequested = 1;
      return kExtractCancelled;
    }
    x->skipping = answer == kOverwriteNo;
    d->replacing = !x->skipping;
  }
  HostShowStatus(x, x->skipping ? kStatusSkipping : kStatusExpanding);
  ExtractResult res = MakeFolders(d, x, FolderPartOf(x->fullPath));
  if (res != kExtractFinished || x->skipping) return res;
  // Where creating the file over the old one would fail (a folder, a
  // read-only file, one held open), the run ends here, as it would then:
  // not only at the move, after the whole body.
  if (d->replacing && !OsCanReplace(d->root, x->fullPath)) return kExtractWriteFailed;
  d->file = d->replacing ? CreateTemporary(d, x) : CreateDirect(d, x);
#if !defined(CORVANE_COMPACT)
  d->holdFirst = x->item.shared > 0;
  d->heldLen = 0;
  d->sharedLost = false;
#endif
  return d->file == kNoFile ? kExtractWriteFailed : kExtractFinished;
}

static bool Write(void* context, const uint8_t* bytes, int32_t n) {
  DiskOutput* d = (DiskOutput*)context;
#if !defined(CORVANE_COMPACT)
  if (d->holdFirst && n > 0) {
    d->holdFirst = false;
    if (n <= (int32_t)sizeof d->held) {
      memcpy(d->held, bytes, (size_t)n);
      d->heldLen = d->heldShared = n;
      return true;
    }
  }
  if (d->heldLen > 0) {
    // The next bytes join the held ones where they fit.
    if (n > 0 && n <= (int32_t)sizeof d->held - d->heldLen) {
      memcpy(d->held + d->heldLen, bytes, (size_t)n);
      d->heldLen += n;
      n = 0;
    }
    int32_t total = d->heldLen;
    d->heldLen = 0;
    int put = 0;
    if (!OsWrite(d->file, d->held, total, &put) || put != total) {
      d->sharedLost = put < d->heldShared;
      return false;
    }
  }
  if (n == 0) return !d->sharedLost;
#endif
  int put = 0;
  return OsWrite(d->file, bytes, n, &put) && put == n;
}

// Stamps and closes the file in hand.
static ExtractResult StampAndClose(DiskOutput* d, const Extraction* x) {
  if (!OsSetFileTimes(d->file, x->item.creationTime, x->item.accessTime, x->item.writeTime))
    return kExtractWriteFailed;
  OsFile f = d->file;
  d->file = kNoFile;
  if (!OsClose(f)) {
    // Its contents cannot be trusted: the abandon deletes it.
    d->unfinished = true;
    return kExtractWriteFailed;
  }
  return kExtractFinished;
}

// Everything after the last byte: the three times and the close; for a
// replacement first the move over the old file, then the times, on the
// file in its final place (a file system that hands a new file the
// creation time of the one it replaces, as NTFS does for a name used
// again within seconds, would otherwise have the last word). A failure to
// stamp it there leaves the file whole in its place, since the old one is
// gone by then. After a cancel what was written goes.
static ExtractResult EndFile(void* context, Extraction* x) {
  DiskOutput* d = (DiskOutput*)context;
  if (x->skipping) return kExtractFinished;
#if !defined(CORVANE_COMPACT)
  if (!Write(d, 0, 0)) return kExtractWriteFailed;  // what is still held
#endif
  if (!d->replacing || x->cancelRequested) {
    ExtractResult res = StampAndClose(d, x);
    if (res == kExtractFinished && x->cancelRequested) OsDeleteFile(d->root, d->path);
    return res;
  }
  OsFile f = d->file;
  d->file = kNoFile;
  d->unfinished = true;  // until it is in place
  if (!OsClose(f) || !OsReplaceFile(d->root, d->path, x->fullPath)) return kExtractWriteFailed;
  // d->path still names the temporary file, gone now: what an abandon
  // deletes after a failure from here on is nothing, and the file stays.
  d->unfinished = false;
  d->file = OsOpenExisting(d->root, x->fullPath);
  if (d->file == kNoFile) return kExtractWriteFailed;
  return StampAndClose(d, x);
}

static void Abandon(void* context, Extraction*) {
  DiskOutput* d = (DiskOutput*)context;
  if (d->file != kNoFile) {
    OsClose(d->file);
    d->file = kNoFile;
    d->unfinished = true;
  }
  if (d->unfinished) {
    OsDeleteFile(d->root, d->path);
    d->unfinished = false;
  }
}

void BeginDiskOutput(DiskOutput* d, OsRoot* root) {
  d->root = root;
  d->file = kNoFile;
  d->replacing = false;
  d->unfinished = false;
  d->path[0] = 0;
  d->made[0] = 0;
#if !defined(CORVANE_COMPACT)
  d->holdFirst = false;
  d->heldLen = 0;
  d->sharedLost = false;
#endif
}

OutputSink DiskOutputSink(DiskOutput* d) {
  OutputSink s = {d, Folder, BeginFileOnDisk, Write, EndFile, Abandon};
  return s;
}
