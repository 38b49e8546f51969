// The main window (class "core_gui"): description, folder and password
// edits, the browse and expand buttons. Created with its StubWindows
// record as the creation parameter.
#ifndef CORVANE_UI_MAIN_WINDOW_H
#define CORVANE_UI_MAIN_WINDOW_H

#include <windows.h>

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

#endif
