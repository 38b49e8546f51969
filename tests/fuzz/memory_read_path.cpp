#include "tests/fuzz/memory_read_path.h"

#include "payload/password.h"
#include "platform/platform.h"

ReadPathRun RunReadPath(const std::string& key, bool writeNothing) {
  ReadPathRun run;
  OsFile f = OsOpenNative("program.exe");
  if (f == kNoFile) return run;
  static char description[65536], runCommand[4096];
  PayloadHeader h;
  h.description = description;
  h.descriptionCap = sizeof description - 1;
  h.runCommand = runCommand;
  h.runCommandCap = sizeof runCommand - 1;
  run.header = LoadPayloadHeader(f, &h);
  if (run.header != kHeaderRead) {
    OsClose(f);
    return run;
  }
  run.description.assign(description, (size_t)h.descriptionLen);
  run.runCommand.assign(runCommand, (size_t)h.runCommandLen);
  const uint8_t* k = (const uint8_t*)key.data();
  int keyLen = (int)key.size();
  if (h.protection.isProtected && !CheckPassword(h.protection.checkValue, k, keyLen)) {
    OsClose(f);
    return run;
  }
  run.passwordAccepted = true;
  static BlockReader reader;
  BeginBlockStream(&reader, f, h.protection.isProtected, k, keyLen);
  static Extraction x;
  x.reader = &reader;
  x.writeNothing = writeNothing;
  x.host = nullptr;
  x.work = nullptr;
  run.extracted = true;
  run.result = ExtractAll(&x, ".\\");
  run.detail = x.detail;
  if (IsFatal(run.result)) AbandonRun(&x);
  return run;
}
