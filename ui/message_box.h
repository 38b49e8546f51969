// The stub's message boxes: caption always the title banner.
#ifndef CORVANE_UI_MESSAGE_BOX_H
#define CORVANE_UI_MESSAGE_BOX_H

#include <windows.h>

// A box owned by the main window; returns the button pressed.
int ShowBox(const char* text, UINT flags);

// The error box (MB_OK | MB_ICONERROR) owned by the main window.
inline void ShowError(const char* text) { ShowBox(text, MB_ICONERROR); }

#endif
