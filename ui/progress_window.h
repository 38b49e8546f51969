// The progress window (class "progress_window"): the status line and the
// Cancel button. Created with its StubWindows record as the creation
// parameter.
#ifndef CORVANE_UI_PROGRESS_WINDOW_H
#define CORVANE_UI_PROGRESS_WINDOW_H

#include <windows.h>

LRESULT CALLBACK ProgressWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

#endif
