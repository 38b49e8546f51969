// Interruptions on Windows: Ctrl-C, Ctrl-Break and the closing of the
// console (or the session's end) reach a handler on a thread of their
// own, which removes the file in hand and ends the process, or notes the
// event for the run to end itself.
#include "platform/interrupt.h"

#include <errno.h>
#include <fcntl.h>
#include <io.h>
#include <string.h>
#include <windows.h>

#include <mutex>
#include <string>

#include "platform/wide_paths_win32.h"

namespace {

// The handler is called for the process, not an object: what it needs
// lives here, guarded by the lock it also takes.
struct InterruptState {
  std::mutex lock;
  std::wstring removePath;
  int exitWith = 0;
  bool removing = false;
  volatile LONG noted = 0;
};

InterruptState& State() {
  static InterruptState state;
  return state;
}

BOOL WINAPI OnRemoving(DWORD) {
  InterruptState& s = State();
  std::lock_guard<std::mutex> hold(s.lock);
  // The file is open with delete sharing: it goes when the process ends
  // and its handles close.
  if (!s.removePath.empty()) DeleteFileW(s.removePath.c_str());
  ExitProcess((UINT)s.exitWith);
  return TRUE;
}

BOOL WINAPI OnNoting(DWORD event) {
  InterruptState& s = State();
  InterlockedExchange(&s.noted, 1);
  // Closing the console ends the process when the handler returns: the
  // run is given the time to end itself as a Cancel does first.
  if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
    Sleep(4000);
  return TRUE;
}

// Creates the file from the template under a fresh name, shared for
// deletion so that it can be removed while open; fills in *created.
int CreateUnique(char* pathTemplate, size_t length, std::wstring* created) {
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  uint32_t seed = GetTickCount() ^ (GetCurrentProcessId() << 16);
  for (int attempt = 0; attempt < 100; attempt++) {
    for (int i = 0; i < 6; i++) {
      seed = seed * 1103515245u + 12345u;
      pathTemplate[length - 6 + i] = kLetters[(seed >> 16) % 36];
    }
    std::wstring wide;
    if (!LongPath(pathTemplate, &wide)) return -1;
    HANDLE h = CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_DELETE, 0, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, 0);
    if (h == INVALID_HANDLE_VALUE) {
      if (GetLastError() == ERROR_FILE_EXISTS) continue;
      Failed();
      return -1;
    }
    int fd = _open_osfhandle((intptr_t)h, _O_RDWR | _O_BINARY);
    if (fd < 0) {
      CloseHandle(h);
      DeleteFileW(wide.c_str());
      return -1;
    }
    *created = wide;
    return fd;
  }
  errno = EEXIST;
  return -1;
}

}  // namespace

int CreateRemovedOnInterrupt(char* pathTemplate, int exitCode) {
  size_t length = strlen(pathTemplate);
  if (length >= 4096 || length < 6 || strcmp(pathTemplate + length - 6, "XXXXXX") != 0) {
    errno = length >= 4096 ? ENAMETOOLONG : EINVAL;
    return -1;
  }
  InterruptState& s = State();
  std::lock_guard<std::mutex> hold(s.lock);
  // The handler is in place before the file exists and waits for this
  // lock, so an interruption that comes meanwhile still finds the path.
  bool wasRemoving = s.removing;
  s.exitWith = exitCode;
  if (!s.removing) SetConsoleCtrlHandler(OnRemoving, TRUE);
  s.removing = true;
  int fd = CreateUnique(pathTemplate, length, &s.removePath);
  if (fd < 0 && !wasRemoving) {
    SetConsoleCtrlHandler(OnRemoving, FALSE);
    s.removing = false;
  }
  return fd;
}

void ForgetOnInterrupt() {
  InterruptState& s = State();
  std::lock_guard<std::mutex> hold(s.lock);
  s.removePath.clear();
}

void NoteInterrupts() {
  InterruptState& s = State();
  std::lock_guard<std::mutex> hold(s.lock);
  if (s.removing) SetConsoleCtrlHandler(OnRemoving, FALSE);
  s.removing = false;
  SetConsoleCtrlHandler(OnNoting, TRUE);
}

bool InterruptNoted() { return State().noted != 0; }
