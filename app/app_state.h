// The stub's one process-wide record: windows, font measures, the program
// file and its header, the password key, the folders and the engine.
#ifndef CORVANE_APP_APP_STATE_H
#define CORVANE_APP_APP_STATE_H

#include <windows.h>

#include "engine/extraction.h"
#include "payload/block_reader.h"
#include "payload/payload_layout.h"

const int kDescriptionCap = 65535;
const int kRunCommandCap = 4095;
const int kFolderCap = 4096;

struct AppState {
  HINSTANCE instance;
  HWND mainWindow, progressWindow;
  HWND messageLabel, passwordLabel, folderLabel;
  HWND descriptionBox, passwordBox, folderBox;
  HWND expandButton, browseButton;
  HWND statusText, cancelButton;
  int32_t charWidth, lineHeight;

  PayloadHeader header;
  char description[kDescriptionCap + 1];
  char runCommand[kRunCommandCap + 1];

  char* key;  // the accepted password, on the process heap
  int32_t keyLen;
  char destFolder[kFolderCap + 2];
  char lastFolder[kFolderCap + 1];

  // reader.payloadFile is the program's own file, open from start-up until
  // a run ends; extraction.reader points at reader from the start, so that
  // AbandonRun is the one clean-up of every fatal end.
  BlockReader reader;
  Extraction extraction;  // its cancelRequested is the Cancel button's flag
};

extern AppState app;

#endif
