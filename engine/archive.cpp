// The reading face: open, password, run, close or abandon.
#include "engine/archive.h"

#include "payload/password.h"

HeaderResult OpenArchive(Archive* a, const char* nativePath) {
  a->key = 0;
  a->keyLen = 0;
  a->fileSize = -1;
  a->run.reader = &a->reader;
  a->run.output = 0;
  a->run.work = 0;
  a->run.decodeBody = 0;
  a->reader.payloadFile = OsOpenNative(nativePath);
  if (a->reader.payloadFile == kNoFile) return kHeaderNotOpened;
  a->fileSize = OsFileSize(a->reader.payloadFile);
  return LoadPayloadHeader(a->reader.payloadFile, &a->header);
}

bool AcceptPassword(Archive* a, const uint8_t* key, int32_t keyLen) {
  if (keyLen <= 0 || !CheckPassword(a->header.protection.checkValue, key, keyLen)) return false;
  a->key = key;
  a->keyLen = keyLen;
  return true;
}

ExtractResult RunArchive(Archive* a, const char* destFolder, const OutputSink* output,
                         const EngineHost* host) {
  BeginBlockStream(&a->reader, a->reader.payloadFile, a->header.protection.isProtected, a->key,
                   a->keyLen);
  a->run.output = output;
  a->run.host = host;
  return ExtractAll(&a->run, destFolder);
}

bool CloseArchive(Archive* a) {
  OsFile f = a->reader.payloadFile;
  a->reader.payloadFile = kNoFile;
  return f == kNoFile || OsClose(f);
}

void AbandonArchive(Archive* a) {
  CloseArchive(a);
  AbandonRun(&a->run);
}
