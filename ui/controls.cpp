// Making a child control, and measuring a text for one.
#include "ui/controls.h"

#include <string.h>

HWND MakeControl(HWND parent, HINSTANCE instance, const char* className, const char* text,
                 DWORD style, int x, int y, int width, int height, int id) {
  return CreateWindowExA(0, className, text, style, x, y, width, height, parent,
                         (HMENU)(INT_PTR)id, instance, 0);
}

SIZE TextExtent(HDC dc, const char* text) {
  SIZE s;
  GetTextExtentPoint32A(dc, text, (int)strlen(text), &s);
  return s;
}
