// The fatal ends of the stub: the message, the clean-up, the exit code.
#include "app/fatal_end.h"

#include "app/mini_crt.h"
#include "ui/message_box.h"
#include "ui/texts.h"

void FatalEnd(AppState* s) {
  AbandonArchive(&s->archive);
  ExitProcess(1);
}

void FatalReadError(AppState* s) {
  ShowError(s->windows.mainWindow, TEXT_READ_FAILED);
  FatalEnd(s);
}

void FatalWriteError(AppState* s) {
  ShowError(s->windows.mainWindow, TEXT_WRITE_FAILED);
  FatalEnd(s);
}

void EndOnFolderFailure(AppState* s, const char* failedPrefix) {
  static char text[sizeof TEXT_FOLDER_FAILED_PREFIX + kMaxPath];
  StrCopy(text, TEXT_FOLDER_FAILED_PREFIX);
  StrCopy(text + sizeof TEXT_FOLDER_FAILED_PREFIX - 1, failedPrefix);
  ShowError(s->windows.mainWindow, text);
  AbandonArchive(&s->archive);  // no output file is open here
  ExitProcess(0);
}

void EndOnExtractResult(AppState* s, ExtractResult result) {
  switch (result) {
    case kExtractDamaged:
      ShowError(s->windows.mainWindow, TEXT_DAMAGED);
      FatalEnd(s);
    case kExtractFolderFailed:
      EndOnFolderFailure(s, s->archive.run.failedPrefix);
    case kExtractReadFailed:
      FatalReadError(s);
    default:  // a write failure, or no memory to write with
      FatalWriteError(s);
  }
}
