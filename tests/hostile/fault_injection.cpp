// The wrappers of the platform calls that the fault walk makes fail.
#include "tests/hostile/fault_injection.h"

#include <errno.h>

#include <atomic>

#include "payload/format.h"
#include "platform/platform.h"

namespace {

// The files of a run may be made on a second thread while the first one
// reads the archive: each count is taken whole.
std::atomic<long> callCount[kFaultKinds];
long failAt[kFaultKinds];
bool foldersAppear;
long blockReads, partialAt, partialCall;
int partialBytes;

// Counts a call and tells whether it is the one to fail.
bool Injected(FaultKind kind) {
  if (++callCount[kind] != failAt[kind]) return false;
  errno = EIO;
  return true;
}

}  // namespace

void ResetFaults() {
  for (int k = 0; k < kFaultKinds; k++) callCount[k] = failAt[k] = 0;
  foldersAppear = false;
  blockReads = partialAt = partialCall = 0;
  partialBytes = 0;
}
void MakeFoldersAppearMeanwhile() { foldersAppear = true; }
void FailCall(FaultKind kind, long nth) { failAt[kind] = nth; }
long CallCount(FaultKind kind) { return callCount[kind]; }
void FailBlockReadAfter(long nth, int bytes) {
  partialAt = nth;
  partialBytes = bytes;
}
long PartialReadCall() { return partialCall; }

extern "C" {

OsFile __real_OsOpenNative(const char* nativePath);
OsFile __real_OsCreateFile(OsRoot* root, const char* archivePath);
OsFile __real_OsCreateNewFile(OsRoot* root, const char* archivePath);
OsFile __real_OsOpenExisting(OsRoot* root, const char* archivePath);
bool __real_OsRead(OsFile f, void* buf, int n, int* got);
bool __real_OsWrite(OsFile f, const void* buf, int n, int* put);
bool __real_OsSeek(OsFile f, int64_t offset);
bool __real_OsClose(OsFile f);
bool __real_OsSetFileTimes(OsFile f, FileTime creation, FileTime access, FileTime write);
bool __real_OsCreateFolder(OsRoot* root, const char* archivePath);

OsFile __wrap_OsOpenNative(const char* nativePath) {
  return Injected(kFaultOpen) ? kNoFile : __real_OsOpenNative(nativePath);
}
OsFile __wrap_OsCreateFile(OsRoot* root, const char* archivePath) {
  return Injected(kFaultOpen) ? kNoFile : __real_OsCreateFile(root, archivePath);
}
OsFile __wrap_OsCreateNewFile(OsRoot* root, const char* archivePath) {
  return Injected(kFaultOpen) ? kNoFile : __real_OsCreateNewFile(root, archivePath);
}
OsFile __wrap_OsOpenExisting(OsRoot* root, const char* archivePath) {
  return Injected(kFaultOpen) ? kNoFile : __real_OsOpenExisting(root, archivePath);
}
bool __wrap_OsRead(OsFile f, void* buf, int n, int* got) {
  *got = 0;
  if (Injected(kFaultRead)) return false;
  if (n < kBlockSize || ++blockReads != partialAt) return __real_OsRead(f, buf, n, got);
  partialCall = callCount[kFaultRead];
  __real_OsRead(f, buf, n < partialBytes ? n : partialBytes, got);
  errno = EIO;
  return false;
}
bool __wrap_OsWrite(OsFile f, const void* buf, int n, int* put) {
  *put = 0;
  return !Injected(kFaultWrite) && __real_OsWrite(f, buf, n, put);
}
bool __wrap_OsSeek(OsFile f, int64_t offset) {
  return !Injected(kFaultSeek) && __real_OsSeek(f, offset);
}
bool __wrap_OsClose(OsFile f) {
  if (f == kNoFile) return false;
  if (Injected(kFaultClose)) {
    __real_OsClose(f);  // the descriptor goes all the same
    return false;
  }
  return __real_OsClose(f);
}
bool __wrap_OsSetFileTimes(OsFile f, FileTime creation, FileTime access, FileTime write) {
  return !Injected(kFaultTimes) && __real_OsSetFileTimes(f, creation, access, write);
}
bool __wrap_OsCreateFolder(OsRoot* root, const char* archivePath) {
  if (Injected(kFaultFolder)) return false;
  if (foldersAppear) {
    __real_OsCreateFolder(root, archivePath);
    errno = EEXIST;
    return false;
  }
  return __real_OsCreateFolder(root, archivePath);
}

}  // extern "C"
