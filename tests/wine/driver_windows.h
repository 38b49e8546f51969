// What the driver looks at in the stub's process: its top-level windows,
// their texts, and the kind of icon a message box shows.
#ifndef CORVANE_TESTS_WINE_DRIVER_WINDOWS_H
#define CORVANE_TESTS_WINE_DRIVER_WINDOWS_H

#include <windows.h>

#include <string>

// A visible top-level window of the process with this class, or 0.
HWND FindVisibleWindow(DWORD pid, const char* className);
// The top-level window of the process with this class, shown or not, or 0.
HWND FindAnyWindow(DWORD pid, const char* className);

// Every top-level window of the process in z-order, joined by ',': its
// class, then ":shown" or ":hidden", and ":disabled" for a disabled one.
std::string TopLevelWindows(DWORD pid);

// A message box of the process: a visible dialog with the text static
// (id 0xFFFF) and no tree, or 0.
HWND FindMessageBox(DWORD pid);
// The shell's folder browser of the process: a visible dialog with a tree.
HWND FindFolderBrowser(DWORD pid);

// The window's text in the system code page (932 here). Captions and
// statics are read without a message, so a busy stub cannot block it;
// edits are asked with WM_GETTEXT, bounded in time.
std::string CaptionText(HWND window);
std::string EditText(HWND edit);

// Whether the WS_VISIBLE style is set, whatever the parent's state.
bool HasVisibleStyle(HWND window);

// The non-empty texts of the dialog's static children, joined by '|'.
std::string StaticTexts(HWND dialog);

// Which of the system icons the message box shows on screen: "hand",
// "question", "exclamation", "asterisk", or "none" without an icon
// control. Icon handles of another process cannot be compared, so the
// pixels of the icon control are compared with each system icon drawn on
// the same background; *matched gets the share of equal pixels (0 to 1).
std::string IconKindOf(HWND box, double* matched);

// The icon drawn at `size` by `size` pixels, as text: a row after another,
// each ended by '/', "RRGGBB" for a pixel that shows, "------" for one the
// background shows through and "??????" for one that changes it (drawn
// on black and on white to tell).
std::string IconPixels(HICON icon, int size);

#endif
