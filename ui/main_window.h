// The main window (class "core_gui"): description, folder and password
// edits, the browse and expand buttons, and the expand command.
#ifndef CORVANE_UI_MAIN_WINDOW_H
#define CORVANE_UI_MAIN_WINDOW_H

#include <windows.h>

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

#endif
