// The stub's windows as the driver finds and reads them.
#include "tests/wine/driver_windows.h"

#include <string.h>

#include <utility>
#include <vector>

namespace {

struct Search {
  DWORD pid;
  const char* className;
  bool visibleOnly;
  bool (*accept)(HWND);
  HWND found;
};

BOOL CALLBACK Visit(HWND window, LPARAM param) {
  Search* s = (Search*)param;
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid != s->pid) return TRUE;
  char cls[64];
  if (!GetClassNameA(window, cls, sizeof cls) || strcmp(cls, s->className) != 0) return TRUE;
  if (s->visibleOnly && !IsWindowVisible(window)) return TRUE;
  if (s->accept && !s->accept(window)) return TRUE;
  s->found = window;
  return FALSE;
}

HWND Find(DWORD pid, const char* className, bool visibleOnly, bool (*accept)(HWND)) {
  Search s = {pid, className, visibleOnly, accept, 0};
  EnumWindows(Visit, (LPARAM)&s);
  return s.found;
}

BOOL CALLBACK FindTree(HWND child, LPARAM param) {
  char cls[64];
  if (GetClassNameA(child, cls, sizeof cls) && strcmp(cls, "SysTreeView32") == 0) {
    *(bool*)param = true;
    return FALSE;
  }
  return TRUE;
}

bool HasTree(HWND dialog) {
  bool tree = false;
  EnumChildWindows(dialog, FindTree, (LPARAM)&tree);
  return tree;
}

BOOL CALLBACK ListWindow(HWND window, LPARAM param) {
  std::pair<DWORD, std::string>* list = (std::pair<DWORD, std::string>*)param;
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid != list->first) return TRUE;
  char cls[64] = "";
  GetClassNameA(window, cls, sizeof cls);
  std::string& all = list->second;
  if (!all.empty()) all += ',';
  all += cls;
  all += IsWindowVisible(window) ? ":shown" : ":hidden";
  if (!IsWindowEnabled(window)) all += ":disabled";
  return TRUE;
}

bool IsMessageBox(HWND dialog) { return GetDlgItem(dialog, 0xFFFF) && !HasTree(dialog); }

BOOL CALLBACK CollectStatic(HWND child, LPARAM param) {
  char cls[64];
  if (GetClassNameA(child, cls, sizeof cls) && _stricmp(cls, "Static") == 0) {
    std::string text = CaptionText(child);
    std::string* all = (std::string*)param;
    if (!text.empty()) *all += (all->empty() ? "" : "|") + text;
  }
  return TRUE;
}

BOOL CALLBACK FindIconStatic(HWND child, LPARAM param) {
  char cls[64];
  if (GetClassNameA(child, cls, sizeof cls) && _stricmp(cls, "Static") == 0 &&
      (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
    *(HWND*)param = child;
    return FALSE;
  }
  return TRUE;
}

// 32-bit pixels of a w x h memory bitmap, top row first.
struct Pixels {
  HDC dc;
  HBITMAP bitmap, old;
  DWORD* bits;
  Pixels(int w, int h) {
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    dc = CreateCompatibleDC(0);
    bitmap = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, (void**)&bits, 0, 0);
    old = (HBITMAP)SelectObject(dc, bitmap);
  }
  ~Pixels() {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
};

}  // namespace

HWND FindVisibleWindow(DWORD pid, const char* className) { return Find(pid, className, true, 0); }

HWND FindAnyWindow(DWORD pid, const char* className) { return Find(pid, className, false, 0); }

std::string TopLevelWindows(DWORD pid) {
  std::pair<DWORD, std::string> list(pid, "");
  EnumWindows(ListWindow, (LPARAM)&list);
  return list.second;
}

HWND FindMessageBox(DWORD pid) { return Find(pid, "#32770", true, IsMessageBox); }

HWND FindFolderBrowser(DWORD pid) { return Find(pid, "#32770", true, HasTree); }

std::string CaptionText(HWND window) {
  char buf[4096];
  int n = GetWindowTextA(window, buf, sizeof buf);
  return std::string(buf, n > 0 ? n : 0);
}

std::string EditText(HWND edit) {
  static char buf[65536 + 1];
  DWORD_PTR n = 0;
  if (!SendMessageTimeoutA(edit, WM_GETTEXT, sizeof buf, (LPARAM)buf, SMTO_NORMAL, 5000, &n))
    return "<no answer>";
  return std::string(buf, n);
}

bool HasVisibleStyle(HWND window) {
  return window && (GetWindowLongA(window, GWL_STYLE) & WS_VISIBLE) != 0;
}

std::string StaticTexts(HWND dialog) {
  std::string all;
  EnumChildWindows(dialog, CollectStatic, (LPARAM)&all);
  return all;
}

std::string IconKindOf(HWND box, double* matched) {
  *matched = 0;
  HWND iconControl = 0;
  EnumChildWindows(box, FindIconStatic, (LPARAM)&iconControl);
  if (!iconControl) return "none";
  RECT r;
  GetWindowRect(iconControl, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return "none";
  Pixels shown(w, h);
  HDC screen = GetDC(0);
  BitBlt(shown.dc, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  ReleaseDC(0, screen);

  static const struct {
    const char* name;
    LPCSTR id;
  } kIcons[] = {{"hand", IDI_HAND},
                {"question", IDI_QUESTION},
                {"exclamation", IDI_EXCLAMATION},
                {"asterisk", IDI_ASTERISK}};
  const char* best = "unknown";
  const DWORD background = shown.bits[0];  // the icons' corners are clear
  for (const auto& icon : kIcons) {
    Pixels drawn(w, h);
    for (int i = 0; i < w * h; i++) drawn.bits[i] = background;
    DrawIconEx(drawn.dc, 0, 0, LoadIconA(0, icon.id), 0, 0, 0, 0, DI_NORMAL);
    GdiFlush();
    int same = 0;
    for (int i = 0; i < w * h; i++)
      same += (drawn.bits[i] & 0xFFFFFF) == (shown.bits[i] & 0xFFFFFF);
    double share = (double)same / (w * h);
    if (share > *matched) {
      *matched = share;
      best = icon.name;
    }
  }
  return best;
}

std::string IconPixels(HICON icon, int size) {
  Pixels onBlack(size, size), onWhite(size, size);
  for (int i = 0; i < size * size; i++) onBlack.bits[i] = 0, onWhite.bits[i] = 0xFFFFFF;
  DrawIconEx(onBlack.dc, 0, 0, icon, size, size, 0, 0, DI_NORMAL);
  DrawIconEx(onWhite.dc, 0, 0, icon, size, size, 0, 0, DI_NORMAL);
  GdiFlush();
  std::string text;
  for (int y = 0; y < size; y++) {
    for (int x = 0; x < size; x++) {
      DWORD b = onBlack.bits[y * size + x] & 0xFFFFFF, w = onWhite.bits[y * size + x] & 0xFFFFFF;
      char hex[8];
      if (b == w) {
        wsprintfA(hex, "%06lX", (unsigned long)b);
      } else {
        lstrcpyA(hex, b == 0 && w == 0xFFFFFF ? "------" : "??????");
      }
      text += hex;
    }
    text += "/";
  }
  return text;
}
