// The stub's message boxes: caption always the title banner.
#ifndef CORVANE_UI_MESSAGE_BOX_H
#define CORVANE_UI_MESSAGE_BOX_H

#include <windows.h>

// A box owned by owner (the main window, or 0 before any window is
// shown); returns the button pressed.
int ShowBox(HWND owner, const char* text, UINT flags);

// The error box (MB_OK | MB_ICONERROR).
inline void ShowError(HWND owner, const char* text) { ShowBox(owner, text, MB_ICONERROR); }

#endif
