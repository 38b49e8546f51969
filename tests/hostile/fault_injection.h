// Failing platform calls on demand, for the fault walk. The calls of each
// kind are counted, and the nth call of one kind (1-based) can be made to
// fail with EIO. The test executable is linked with ld's --wrap for each
// call (tests/CMakeLists.txt), so the wrappers here stand between the core
// and the real platform layer.
#ifndef CORVANE_TESTS_HOSTILE_FAULT_INJECTION_H
#define CORVANE_TESTS_HOSTILE_FAULT_INJECTION_H

enum FaultKind {
  kFaultOpen,    // OsOpenNative, OsCreateFile, OsCreateNewFile, OsOpenExisting
  kFaultRead,
  kFaultWrite,
  kFaultSeek,
  kFaultClose,
  kFaultTimes,   // OsSetFileTimes
  kFaultFolder,  // OsCreateFolder
  kFaultKinds
};

void ResetFaults();
// From now on every folder creation makes the folder and then reports a
// failure, as when another program made it first.
void MakeFoldersAppearMeanwhile();
void FailCall(FaultKind kind, long nth);
long CallCount(FaultKind kind);
// The nth read of a whole block or more (1-based) gets at most `bytes`
// bytes and then fails, as a read that meets a bad sector does; that
// read's number among all reads goes to PartialReadCall().
void FailBlockReadAfter(long nth, int bytes);
long PartialReadCall();

#endif
