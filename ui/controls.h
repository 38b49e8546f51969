// Child controls of the stub's windows: plain system controls with the
// system font, sized in the measures of that font.
#ifndef CORVANE_UI_CONTROLS_H
#define CORVANE_UI_CONTROLS_H

#include <windows.h>

const DWORD kChildStyle = WS_CHILD | WS_VISIBLE;

HWND MakeControl(HWND parent, HINSTANCE instance, const char* className, const char* text,
                 DWORD style, int x, int y, int width, int height, int id);

// The extent of a text on a device context.
SIZE TextExtent(HDC dc, const char* text);

#endif
