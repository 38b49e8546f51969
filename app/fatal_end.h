// The ends of the stub that are not the ordinary close of the main window.
#ifndef CORVANE_APP_FATAL_END_H
#define CORVANE_APP_FATAL_END_H

#include "app/app_state.h"

// Closes the program file, closes and deletes the output file being
// written, and ends the process with exit code 1.
[[noreturn]] void FatalEnd(AppState* s);

// The error box owned by the main window, then FatalEnd.
[[noreturn]] void FatalReadError(AppState* s);
[[noreturn]] void FatalWriteError(AppState* s);

// "フォルダが作れませんでした:" and the prefix; closes the program file and
// ends the process with exit code 0.
[[noreturn]] void EndOnFolderFailure(AppState* s, const char* failedPrefix);

// Ends the process as a fatal result of the engine demands.
[[noreturn]] void EndOnExtractResult(AppState* s, ExtractResult result);

#endif
