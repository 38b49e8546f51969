#include "app/fatal_end.h"

#include "app/app_state.h"
#include "app/mini_crt.h"
#include "ui/message_box.h"
#include "ui/texts.h"

void FatalEnd() {
  AbandonRun(&app.extraction);
  ExitProcess(1);
}

void FatalReadError() {
  ShowError(TEXT_READ_FAILED);
  FatalEnd();
}

void FatalWriteError() {
  ShowError(TEXT_WRITE_FAILED);
  FatalEnd();
}

void EndOnFolderFailure(const char* failedPrefix) {
  static char text[sizeof TEXT_FOLDER_FAILED_PREFIX + kMaxPath];
  StrCopy(text, TEXT_FOLDER_FAILED_PREFIX);
  StrCopy(text + sizeof TEXT_FOLDER_FAILED_PREFIX - 1, failedPrefix);
  ShowError(text);
  AbandonRun(&app.extraction);  // no output file is open here
  ExitProcess(0);
}

void EndOnExtractResult(ExtractResult result) {
  switch (result) {
    case kExtractDamaged:
      ShowError(TEXT_DAMAGED);
      FatalEnd();
    case kExtractFolderFailed:
      EndOnFolderFailure(app.extraction.failedPrefix);
    case kExtractReadFailed:
      FatalReadError();
    default:  // a write failure, or no memory to write with
      FatalWriteError();
  }
}
