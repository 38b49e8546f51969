// The Windows console: UTF-8 text shown through WriteConsoleW whatever the
// console's code page (redirected, it goes out as UTF-8 bytes), questions
// read from CONIN$ with ReadConsoleW, the echo switched off by the
// console mode for a password.
#include "platform/console.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>
#include <stdarg.h>

#include <vector>

#include "platform/interrupt.h"
#include "platform/wide_paths_win32.h"

namespace {

HANDLE HandleOf(FILE* stream) { return (HANDLE)_get_osfhandle(_fileno(stream)); }

bool IsConsole(HANDLE h) {
  DWORD mode;
  return h != INVALID_HANDLE_VALUE && GetConsoleMode(h, &mode);
}

void WriteWide(HANDLE console, const std::string& utf8) {
  std::wstring wide;
  if (!Utf8ToWide(utf8, &wide)) {
    // Not UTF-8 (a name shown as it is): each byte as one character.
    wide.assign(utf8.begin(), utf8.end());
  }
  DWORD done;
  if (!wide.empty()) WriteConsoleW(console, wide.data(), (DWORD)wide.size(), &done, 0);
}

// The arguments in UTF-8, kept for the whole run.
std::vector<std::string>& Arguments() {
  static std::vector<std::string> arguments;
  return arguments;
}

}  // namespace

void ConsoleStartProcess(int* argc, char*** argv) {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  // The C runtime's 4 KiB buffer makes a system call of every 4 KiB that
  // extract -O writes to a file or pipe; a larger one, far fewer.
  if (!IsConsole(HandleOf(stdout))) setvbuf(stdout, nullptr, _IOFBF, 1 << 16);
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) return;
  std::vector<std::string>& args = Arguments();
  args.resize((size_t)count);
  for (int i = 0; i < count; i++) WideToUtf8(wide[i], wcslen(wide[i]), &args[(size_t)i]);
  LocalFree(wide);
  static std::vector<char*> pointers;
  pointers.clear();
  for (std::string& a : args) pointers.push_back(&a[0]);
  pointers.push_back(nullptr);
  *argc = count;
  *argv = pointers.data();
}

void ConsolePrintf(FILE* stream, const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  int n = vsnprintf(nullptr, 0, format, args);
  va_end(args);
  std::string text(n > 0 ? (size_t)n : 0, '\0');
  if (n > 0) vsnprintf(&text[0], (size_t)n + 1, format, again);
  va_end(again);
  HANDLE h = HandleOf(stream);
  if (IsConsole(h)) {
    fflush(stream);
    WriteWide(h, text);
  } else {
    fwrite(text.data(), 1, text.size(), stream);
  }
}

bool ConsoleIsTerminal(FILE* stream) { return IsConsole(HandleOf(stream)); }

static HANDLE OpenConsole(const wchar_t* name) {
  return CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, 0,
                     OPEN_EXISTING, 0, 0);
}

bool ConsoleCanAsk() {
  if (!IsConsole(GetStdHandle(STD_INPUT_HANDLE))) return false;
  HANDLE in = OpenConsole(L"CONIN$");
  if (in == INVALID_HANDLE_VALUE) return false;
  CloseHandle(in);
  return true;
}

bool ConsoleAsk(const std::string& prompt, bool echo, std::string* line) {
  line->clear();
  HANDLE in = OpenConsole(L"CONIN$");
  HANDLE out = OpenConsole(L"CONOUT$");
  if (in == INVALID_HANDLE_VALUE || out == INVALID_HANDLE_VALUE) {
    if (in != INVALID_HANDLE_VALUE) CloseHandle(in);
    if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
    return false;
  }
  // The echo goes before the prompt shows, so that nothing typed after it
  // is echoed.
  DWORD saved = 0;
  bool quieted = !echo && GetConsoleMode(in, &saved);
  if (quieted) SetConsoleMode(in, (saved & ~(DWORD)ENABLE_ECHO_INPUT) | ENABLE_LINE_INPUT);
  WriteWide(out, prompt);
  std::wstring typed;
  bool ok = false;
  for (;;) {
    // Waiting in steps, so that an interruption ends the wait.
    while (!InterruptNoted() && WaitForSingleObject(in, 100) == WAIT_TIMEOUT) {
    }
    if (InterruptNoted()) break;
    wchar_t buffer[256];
    DWORD got = 0;
    if (!ReadConsoleW(in, buffer, 256, &got, 0) || InterruptNoted()) break;
    if (got == 0) {
      ok = !typed.empty();
      break;
    }
    typed.append(buffer, got);
    size_t end = typed.find(L'\n');
    if (end == std::wstring::npos) end = typed.find(L'\r');
    if (end != std::wstring::npos) {
      typed.resize(end);
      ok = true;
      break;
    }
  }
  if (quieted) {
    SetConsoleMode(in, saved);
    WriteWide(out, "\r\n");
  }
  if (!typed.empty() && typed.back() == L'\r') typed.pop_back();
  ok = ok && WideToUtf8(typed.data(), typed.size(), line);
  CloseHandle(in);
  CloseHandle(out);
  return ok;
}

int ConsoleColumns() {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!GetConsoleScreenBufferInfo(HandleOf(stderr), &info)) return 80;
  int columns = info.srWindow.Right - info.srWindow.Left + 1;
  return columns > 0 ? columns : 80;
}

// The console may know no terminal sequences: the line is blanked with
// spaces and drawn again.
void ConsoleRedrawLine(const std::string& text) {
  HANDLE h = HandleOf(stderr);
  if (!IsConsole(h)) {
    fprintf(stderr, "\r%s", text.c_str());
    return;
  }
  WriteWide(h, "\r" + std::string((size_t)(ConsoleColumns() - 1), ' ') + "\r" + text);
}
