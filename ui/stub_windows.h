// The stub's two windows as the ui keeps them: their handles, the system
// font's measures, the folder chosen last, and the two ways out of the ui
// (the Expand command and the Cancel flag). The driver owns the record and
// fills in instance, expand, expandContext and cancelRequested; the ui
// fills in the rest.
#ifndef CORVANE_UI_STUB_WINDOWS_H
#define CORVANE_UI_STUB_WINDOWS_H

#include <stdint.h>
#include <windows.h>

const int kFolderCap = 4096;

struct StubWindows {
  HINSTANCE instance;
  HWND mainWindow, progressWindow;
  HWND messageLabel, passwordLabel, folderLabel;
  HWND descriptionBox, passwordBox, folderBox;
  HWND expandButton, browseButton;
  HWND statusText, cancelButton;
  int32_t charWidth, lineHeight;
  char lastFolder[kFolderCap + 1];

  // What the Expand button does, with its context.
  void (*expand)(void* context);
  void* expandContext;
  // Set by the Cancel button.
  volatile uint8_t* cancelRequested;
};

// Registers the window classes and creates the main window (not shown yet)
// and the progress window (hidden), both with w as their record. False
// when a class cannot be registered.
bool CreateStubWindows(StubWindows* w);

// The record a window of the stub was created with.
inline StubWindows* WindowsOf(HWND window) {
  return (StubWindows*)GetWindowLongPtrA(window, GWLP_USERDATA);
}

// Keeps the record handed to CreateWindowEx (WM_CREATE's lParam) with the
// window, and returns it.
inline StubWindows* KeepWindowsOf(HWND window, LPARAM createParams) {
  StubWindows* w = (StubWindows*)((const CREATESTRUCTA*)createParams)->lpCreateParams;
  SetWindowLongPtrA(window, GWLP_USERDATA, (LONG_PTR)w);
  return w;
}

#endif
