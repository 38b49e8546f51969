// e2e_driver SCRIPT: starts an archive and plays a script against its
// windows, writing one transcript line per event (driver_report.h).
//
// The script is UTF-8, one step per line, fields separated by tabs:
//   start ARCHIVE CWD     start the archive with CWD as its current folder
//   timeout SECONDS       bound of every later wait (default 20)
//   main                  wait for the main window, report its state
//   box                   wait for a message box, report it
//   layout                report the geometry of both windows and their controls
//   answer ok|yes|no|cancel   click that button of the last box, wait for it to go
//   set ID TEXT           give a control of the main window a text
//   click ID              click a button of the main window
//   focus ID              wait until the control ID of the main window has the focus
//   status [TEXT]         wait for the progress window (and the status TEXT), report it
//   cancel [N]            click the progress window's Cancel button (N times at once)
//   browser               wait for the folder browser, report it
//   browser_up            select the parent of the browser's selected folder
//   browser_answer ok|cancel  click that button of the browser, wait until it is destroyed
//   snap PATH             create PATH.ready, wait for PATH.done (a screenshot)
//   icon                  report the archive's icon "main_icon" as loaded from it
//                         and as the shell extracts it (32 by 32 pixels)
//   show_icon             show that icon in a window of the driver, as it is
//                         and magnified 8 times, beside the stub's main window
//   windows               report every top-level window of the stub
//   handles               report the stub's handle and GUI object counts
//   files PATH...         report whether the stub holds each file open
//   close                 post WM_CLOSE to the main window
//   exit                  wait for the process to end, report its exit code
//
// Every wait polls every 20 ms up to the timeout. Clicks are posted, since
// the stub answers a click with modal loops of its own. Exit codes: 0 the
// script ran, 2 the stub ended while a step waited, 3 a wait timed out
// (the stub is terminated), 4 the script ended with the stub still running,
// 5 a bad script.
#include <windows.h>  // first: the other Windows headers build on it

#include <commctrl.h>
#include <shellapi.h>
#include <stdlib.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/wine/driver_report.h"
#include "tests/wine/driver_handles.h"
#include "tests/wine/driver_windows.h"

namespace {

const char kMainClass[] = "core_gui";
const char kProgressClass[] = "progress_window";
const char kBrowseTitleUtf8[] = "解凍先を選んでください。";
const int kStatusId = 1, kCancelId = 2;

struct Run {
  PROCESS_INFORMATION process = {};
  bool started = false;
  DWORD timeoutMs = 20000;
  HWND lastBox = 0;
  HWND lastBrowser = 0;
  std::string step;
  std::wstring archive;
};
Run run;

std::wstring Wide(const std::string& utf8) {
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), (int)utf8.size(), 0, 0);
  std::wstring w(n, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), (int)utf8.size(), &w[0], n);
  return w;
}

[[noreturn]] void Stop(int code) {
  if (run.started && WaitForSingleObject(run.process.hProcess, 0) == WAIT_TIMEOUT)
    TerminateProcess(run.process.hProcess, 255);
  ExitProcess(code);
}

[[noreturn]] void BadScript(const std::string& why) {
  Report("bad_script").Field("step", run.step).Field("why", why).Emit();
  Stop(5);
}

DWORD ExitCodeIfEnded() {
  DWORD code = STILL_ACTIVE;
  if (WaitForSingleObject(run.process.hProcess, 0) == WAIT_OBJECT_0)
    GetExitCodeProcess(run.process.hProcess, &code);
  return code;
}

// Polls `ready` until it holds. The stub ending first is reported as such,
// unless the step waits for just that.
void WaitFor(const std::function<bool()>& ready, bool endIsReady = false,
             const std::function<std::string()>& lastSeen = nullptr) {
  DWORD start = GetTickCount();
  for (;;) {
    if (ready()) return;
    DWORD code = ExitCodeIfEnded();
    if (code != STILL_ACTIVE && !endIsReady) {
      if (ready()) return;
      Report("exited").Field("during", run.step).Field("code", (long)code).Emit();
      Stop(2);
    }
    // The driver's own windows (show_icon) paint while it waits.
    MSG message;
    while (PeekMessageW(&message, 0, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    if (GetTickCount() - start > run.timeoutMs) {
      Report r("timeout");
      r.Field("step", run.step);
      if (lastSeen) r.Text("last", lastSeen());
      r.Emit();
      Stop(3);
    }
    Sleep(20);
  }
}

DWORD Pid() { return run.process.dwProcessId; }

HWND MainWindow() { return FindAnyWindow(Pid(), kMainClass); }

std::string OwnerName(HWND window) {
  HWND owner = GetWindow(window, GW_OWNER);
  if (!owner) return "none";
  if (owner == MainWindow()) return "main";
  char cls[64] = "";
  GetClassNameA(owner, cls, sizeof cls);
  return std::string("other:") + cls;
}

int ButtonId(const std::string& name) {
  if (name == "ok") return IDOK;
  if (name == "cancel") return IDCANCEL;
  if (name == "yes") return IDYES;
  if (name == "no") return IDNO;
  BadScript("unknown button " + name);
}

int ControlId(const std::vector<std::string>& f, size_t i) {
  if (f.size() <= i) BadScript("control id missing");
  return atoi(f[i].c_str());
}

void Start(const std::vector<std::string>& f) {
  if (f.size() < 3) BadScript("start ARCHIVE CWD");
  std::wstring archive = Wide(f[1]), cwd = Wide(f[2]);
  std::wstring commandLine = L"\"" + archive + L"\"";
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  if (!CreateProcessW(archive.c_str(), &commandLine[0], 0, 0, FALSE, 0, 0, cwd.c_str(), &si,
                      &run.process)) {
    Report("start_failed").Field("error", (long)GetLastError()).Emit();
    ExitProcess(5);
  }
  run.started = true;
  run.archive = archive;
  Report("started").Field("acp", (long)GetACP()).Emit();
}

void ReportMain() {
  HWND main = 0;
  WaitFor([&] {
    main = FindVisibleWindow(Pid(), kMainClass);
    return main && !FindMessageBox(Pid());
  });
  HWND password = GetDlgItem(main, 2);
  DWORD_PTR passwordChar = 0;
  SendMessageTimeoutA(password, EM_GETPASSWORDCHAR, 0, 0, SMTO_NORMAL, 5000, &passwordChar);
  Report("main")
      .Text("title", CaptionText(main))
      .Field("enabled", IsWindowEnabled(main) ? 1 : 0)
      .Field("expand_enabled", IsWindowEnabled(GetDlgItem(main, 3)) ? 1 : 0)
      .Field("browse_enabled", IsWindowEnabled(GetDlgItem(main, 8)) ? 1 : 0)
      .Field("password_visible", HasVisibleStyle(password) ? 1 : 0)
      .Field("password_label_visible", HasVisibleStyle(GetDlgItem(main, 5)) ? 1 : 0)
      .Field("password_char", (long)(unsigned char)passwordChar)
      .Text("folder", EditText(GetDlgItem(main, 7)))
      .Text("password", EditText(password))
      .Text("description", EditText(GetDlgItem(main, 1)))
      .Emit();
}

// "x,y,w,h": a top-level window on the screen, a control in its parent's
// client area.
std::string Placement(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  POINT at = {r.left, r.top};
  if (GetWindowLongA(window, GWL_STYLE) & WS_CHILD) ScreenToClient(GetParent(window), &at);
  return std::to_string(at.x) + "," + std::to_string(at.y) + "," +
         std::to_string(r.right - r.left) + "," + std::to_string(r.bottom - r.top);
}

// The window style in hex, as the tests compare bits of it.
std::string Style(HWND window) {
  char hex[16];
  wsprintfA(hex, "%08lx", (unsigned long)GetWindowLongA(window, GWL_STYLE));
  return hex;
}

// The stub measures with the system font; the driver, in the same Wine,
// measures with it too, so that the sizes can be checked.
void ReportLayout() {
  HWND main = 0;
  WaitFor([&] { return (main = FindVisibleWindow(Pid(), kMainClass)) != 0; });
  HWND progress = FindAnyWindow(Pid(), kProgressClass);
  HDC dc = GetDC(0);
  HGDIOBJ old = SelectObject(dc, GetStockObject(SYSTEM_FONT));
  TEXTMETRICA tm;
  GetTextMetricsA(dc, &tm);
  Report r("layout");
  r.Field("char_width", tm.tmAveCharWidth).Field("line_height", tm.tmHeight + tm.tmExternalLeading);
  RECT desktop;
  GetWindowRect(GetDesktopWindow(), &desktop);
  r.Field("desktop", std::to_string(desktop.right) + "," + std::to_string(desktop.bottom));
  r.Field("main", Placement(main)).Field("progress", progress ? Placement(progress) : "absent");
  r.Field("main_style", Style(main)).Field("progress_style", Style(progress));
  auto control = [&](const char* name, HWND parent, int id) {
    HWND c = GetDlgItem(parent, id);
    std::string caption = CaptionText(c);
    SIZE extent = {0, 0};
    GetTextExtentPoint32A(dc, caption.data(), (int)caption.size(), &extent);
    r.Field(name, c ? Placement(c) : "absent");
    r.Field((std::string(name) + "_style").c_str(), Style(c));
    r.Field((std::string(name) + "_extent").c_str(),
            std::to_string(extent.cx) + "," + std::to_string(extent.cy));
  };
  static const char* const kMainNames[] = {"",
                                           "description",
                                           "password",
                                           "expand",
                                           "message_label",
                                           "password_label",
                                           "folder_label",
                                           "folder",
                                           "browse"};
  for (int id = 1; id <= 8; id++) control(kMainNames[id], main, id);
  control("status", progress, kStatusId);
  control("cancel", progress, kCancelId);
  SelectObject(dc, old);
  ReleaseDC(0, dc);
  r.Emit();
}

void ReportBox() {
  HWND box = 0;
  WaitFor([&] { return (box = FindMessageBox(Pid())) != 0; });
  run.lastBox = box;
  // The icon is drawn once the box paints: compare until it matches.
  std::string icon;
  double matched = 0;
  WaitFor(
      [&] {
        icon = IconKindOf(box, &matched);
        return icon == "none" || matched > 0.95;
      },
      false, [&] { return icon; });
  std::string buttons;
  static const struct {
    int id;
    const char* name;
  } kButtons[] = {{IDOK, "ok"}, {IDYES, "yes"}, {IDNO, "no"}, {IDCANCEL, "cancel"}};
  for (const auto& b : kButtons) {
    HWND button = GetDlgItem(box, b.id);
    if (button && IsWindowVisible(button))
      buttons += std::string(buttons.empty() ? "" : ",") + b.name;
  }
  HWND main = MainWindow();
  Report("box")
      .Text("text", CaptionText(GetDlgItem(box, 0xFFFF)))
      .Text("caption", CaptionText(box))
      .Field("owner", OwnerName(box))
      .Field("buttons", buttons)
      .Field("icon", icon)
      .Field("main_visible", main ? (IsWindowVisible(main) ? "1" : "0") : "absent")
      .Emit();
}

// A message box counts as answered once hidden. The browser only once
// destroyed: the stub is back in its message loop then, and the browser's
// own windows (its tooltips) are gone with it.
void Answer(HWND* dialog, const std::string& button, const char* event, bool untilDestroyed) {
  if (!*dialog || !IsWindow(*dialog)) BadScript("no dialog to answer");
  HWND target = GetDlgItem(*dialog, ButtonId(button));
  if (!target) BadScript("no such button: " + button);
  PostMessageA(target, BM_CLICK, 0, 0);
  HWND gone = *dialog;
  WaitFor([&] { return !IsWindow(gone) || (!untilDestroyed && !IsWindowVisible(gone)); });
  *dialog = 0;
  Report(event).Field("button", button).Emit();
}

HWND MainControl(int id) {
  HWND main = 0;
  WaitFor([&] { return (main = FindVisibleWindow(Pid(), kMainClass)) != 0; });
  HWND control = GetDlgItem(main, id);
  if (!control) BadScript("no control " + std::to_string(id));
  return control;
}

void SetText(const std::vector<std::string>& f) {
  HWND control = MainControl(ControlId(f, 1));
  std::string sjis = Utf8ToSjis(f.size() > 2 ? f[2] : "");
  DWORD_PTR ignored;
  if (!SendMessageTimeoutA(control, WM_SETTEXT, 0, (LPARAM)sjis.c_str(), SMTO_NORMAL, 5000,
                           &ignored))
    BadScript("WM_SETTEXT got no answer");
  Report("set").Field("id", (long)GetDlgCtrlID(control)).Text("text", EditText(control)).Emit();
}

void Click(const std::vector<std::string>& f) {
  HWND button = MainControl(ControlId(f, 1));
  PostMessageA(button, BM_CLICK, 0, 0);
  Report("clicked").Field("id", (long)GetDlgCtrlID(button)).Emit();
}

void Focus(const std::vector<std::string>& f) {
  const int want = ControlId(f, 1);
  GUITHREADINFO info;
  int seen = 0;
  WaitFor(
      [&] {
        info.cbSize = sizeof info;
        if (!GetGUIThreadInfo(run.process.dwThreadId, &info) || !info.hwndFocus) return false;
        seen = GetDlgCtrlID(info.hwndFocus);
        return seen == want && GetParent(info.hwndFocus) == MainWindow();
      },
      false, [&] { return std::to_string(seen); });
  Report("focus").Field("id", (long)seen).Emit();
}

void Status(const std::vector<std::string>& f) {
  const bool wantText = f.size() > 1;
  const std::string want = wantText ? Utf8ToSjis(f[1]) : "";
  std::string text;
  WaitFor(
      [&] {
        HWND progress = FindVisibleWindow(Pid(), kProgressClass);
        if (!progress) return false;
        text = CaptionText(GetDlgItem(progress, kStatusId));
        return !wantText || text == want;
      },
      false, [&] { return text; });
  HWND progress = FindVisibleWindow(Pid(), kProgressClass);
  Report("status")
      .Text("title", CaptionText(progress))
      .Field("owner", OwnerName(progress))
      .Text("text", text)
      .Emit();
}

void Cancel(const std::vector<std::string>& f) {
  const int times = f.size() > 1 ? atoi(f[1].c_str()) : 1;
  HWND progress = 0;
  WaitFor([&] { return (progress = FindVisibleWindow(Pid(), kProgressClass)) != 0; });
  for (int i = 0; i < times; i++) PostMessageA(GetDlgItem(progress, kCancelId), BM_CLICK, 0, 0);
  Report("cancel_clicked").Field("times", (long)times).Emit();
}

// The browser's folder tree. Tree items are handles, not pointers, so
// the tree messages below work across processes.
HWND BrowserTree(HWND browser) {
  return browser ? FindWindowExA(browser, 0, "SysTreeView32", 0) : 0;
}

DWORD_PTR TreeMessage(HWND tree, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR result = 0;
  SendMessageTimeoutA(tree, message, wParam, lParam, SMTO_NORMAL, 5000, &result);
  return result;
}

// How many levels below the top of the tree the selected folder is; -1
// without a selection.
long SelectionDepth(HWND browser) {
  HWND tree = BrowserTree(browser);
  DWORD_PTR item = tree ? TreeMessage(tree, TVM_GETNEXTITEM, TVGN_CARET, 0) : 0;
  if (!item) return -1;
  long depth = 0;
  while ((item = TreeMessage(tree, TVM_GETNEXTITEM, TVGN_PARENT, item)) != 0) depth++;
  return depth;
}

void ReportBrowser() {
  HWND browser = 0;
  WaitFor([&] { return (browser = FindFolderBrowser(Pid())) != 0; });
  run.lastBrowser = browser;
  const std::string title = Utf8ToSjis(kBrowseTitleUtf8);
  std::string statics;
  WaitFor(
      [&] {
        statics = StaticTexts(browser);
        return statics.find(title) != std::string::npos;
      },
      false, [&] { return statics; });
  Report("browser")
      .Text("caption", CaptionText(browser))
      .Field("owner", OwnerName(browser))
      .Text("statics", statics)
      .Field("depth", SelectionDepth(browser))
      .Emit();
}

void BrowserUp() {
  HWND tree = BrowserTree(run.lastBrowser);
  if (!tree) BadScript("no folder browser open");
  DWORD_PTR selected = TreeMessage(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
  DWORD_PTR parent = TreeMessage(tree, TVM_GETNEXTITEM, TVGN_PARENT, selected);
  if (!parent) BadScript("the selection has no parent");
  DWORD_PTR done = TreeMessage(tree, TVM_SELECTITEM, TVGN_CARET, parent);
  Report("browser_up").Field("selected", done ? 1 : 0).Emit();
}

void Snap(const std::vector<std::string>& f) {
  if (f.size() < 2) BadScript("snap PATH");
  std::wstring ready = Wide(f[1] + ".ready"), done = Wide(f[1] + ".done");
  HANDLE h = CreateFileW(ready.c_str(), GENERIC_WRITE, 0, 0, CREATE_ALWAYS, 0, 0);
  if (h == INVALID_HANDLE_VALUE) BadScript("cannot write the marker");
  CloseHandle(h);
  WaitFor([&] { return GetFileAttributesW(done.c_str()) != INVALID_FILE_ATTRIBUTES; });
  Report("snapped").Emit();
}

// The archive's "main_icon" at 32 by 32, loaded from it as a module loads
// its own icon (the stub's windows take it so), and the first icon the
// shell extracts from it. Both are 0 when missing; the caller destroys
// them.
void ArchiveIcons(HICON* loaded, HICON* extracted) {
  *loaded = *extracted = 0;
  HMODULE module = LoadLibraryExW(run.archive.c_str(), 0, LOAD_LIBRARY_AS_DATAFILE);
  if (module) {
    *loaded = (HICON)LoadImageW(module, L"MAIN_ICON", IMAGE_ICON, 32, 32, 0);
    FreeLibrary(module);
  }
  ExtractIconExW(run.archive.c_str(), 0, extracted, 0, 1);
}

void ReportIcon() {
  HICON loaded, extracted;
  ArchiveIcons(&loaded, &extracted);
  Report("icon")
      .Field("groups", (long)ExtractIconExW(run.archive.c_str(), -1, 0, 0, 0))
      .Field("loaded", loaded ? IconPixels(loaded, 32) : "none")
      .Field("extracted", extracted ? IconPixels(extracted, 32) : "none")
      .Emit();
  if (loaded) DestroyIcon(loaded);
  if (extracted) DestroyIcon(extracted);
}

// Paints the icon of the window's user data at its size and 8 times that,
// with a line that says what it is.
LRESULT CALLBACK IconViewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_PAINT) return DefWindowProcW(window, message, wParam, lParam);
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  HICON icon = (HICON)GetWindowLongPtrW(window, GWLP_USERDATA);
  const wchar_t kText[] = L"The archive's icon: 32x32, and 8 times that";
  TextOutW(dc, 8, 8, kText, lstrlenW(kText));
  DrawIconEx(dc, 8, 32, icon, 32, 32, 0, 0, DI_NORMAL);
  DrawIconEx(dc, 48, 32, icon, 256, 256, 0, 0, DI_NORMAL);
  EndPaint(window, &paint);
  return 0;
}

void ShowIcon() {
  HWND main = 0;
  WaitFor([&] { return (main = FindVisibleWindow(Pid(), kMainClass)) != 0; });
  HICON loaded, extracted;
  ArchiveIcons(&loaded, &extracted);
  if (extracted) DestroyIcon(extracted);
  if (!loaded) BadScript("the archive has no icon main_icon");
  WNDCLASSW wc = {};
  wc.lpfnWndProc = IconViewProc;
  wc.hInstance = GetModuleHandleW(0);
  wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
  wc.lpszClassName = L"icon_view";
  RegisterClassW(&wc);
  RECT r;
  GetWindowRect(main, &r);
  HWND view = CreateWindowExW(0, L"icon_view", L"The archive's icon", WS_POPUP | WS_BORDER,
                              r.right + 8, r.top, 320, 300, 0, 0, wc.hInstance, 0);
  SetWindowLongPtrW(view, GWLP_USERDATA, (LONG_PTR)loaded);
  ShowWindow(view, SW_SHOWNOACTIVATE);
  UpdateWindow(view);
  Report("icon_shown").Emit();
}

void ReportWindows() { Report("windows").Field("list", TopLevelWindows(Pid())).Emit(); }

// GetProcessHandleCount and GetGuiResources are reported as the system
// tells them (Wine 8 says 0 for all three); the tests read the handle
// table.
void ReportHandles() {
  HANDLE process = run.process.hProcess;
  DWORD count = 0;
  HandleTable table = HandlesOf(process, Pid());
  if (!table.read) BadScript("the system's handle table cannot be read");
  Report("handles")
      .Field("count", GetProcessHandleCount(process, &count) ? (long)count : -1L)
      .Field("gdi", (long)GetGuiResources(process, GR_GDIOBJECTS))
      .Field("user", (long)GetGuiResources(process, GR_USEROBJECTS))
      .Field("table", table.total)
      .Field("types", table.types)
      .Field("files", table.files)
      .Emit();
}

void ReportFiles(const std::vector<std::string>& f) {
  std::string states;
  for (size_t i = 1; i < f.size(); i++) states += (i > 1 ? "," : "") + FileState(Wide(f[i]));
  Report("files").Field("states", states).Emit();
}

void Close() {
  HWND main = 0;
  WaitFor([&] { return (main = MainWindow()) != 0; });
  PostMessageA(main, WM_CLOSE, 0, 0);
  Report("close_posted").Emit();
}

void Exit() {
  WaitFor([&] { return ExitCodeIfEnded() != STILL_ACTIVE; }, true);
  Report("exit").Field("code", (long)ExitCodeIfEnded()).Emit();
}

std::vector<std::string> Split(const std::string& line) {
  std::vector<std::string> fields;
  size_t at = 0;
  for (;;) {
    size_t tab = line.find('\t', at);
    fields.push_back(line.substr(at, tab == std::string::npos ? std::string::npos : tab - at));
    if (tab == std::string::npos) return fields;
    at = tab + 1;
  }
}

void Play(const std::vector<std::string>& f) {
  const std::string& verb = f[0];
  if (verb == "start") return Start(f);
  if (verb == "timeout") {
    run.timeoutMs = (DWORD)atoi(f.size() > 1 ? f[1].c_str() : "20") * 1000;
    return;
  }
  if (!run.started) BadScript("no start step before " + verb);
  if (verb == "main") return ReportMain();
  if (verb == "box") return ReportBox();
  if (verb == "layout") return ReportLayout();
  if (verb == "answer") return Answer(&run.lastBox, f.size() > 1 ? f[1] : "", "answered", false);
  if (verb == "set") return SetText(f);
  if (verb == "click") return Click(f);
  if (verb == "focus") return Focus(f);
  if (verb == "status") return Status(f);
  if (verb == "cancel") return Cancel(f);
  if (verb == "browser") return ReportBrowser();
  if (verb == "browser_up") return BrowserUp();
  if (verb == "browser_answer")
    return Answer(&run.lastBrowser, f.size() > 1 ? f[1] : "", "browser_answered", true);
  if (verb == "snap") return Snap(f);
  if (verb == "icon") return ReportIcon();
  if (verb == "show_icon") return ShowIcon();
  if (verb == "windows") return ReportWindows();
  if (verb == "handles") return ReportHandles();
  if (verb == "files") return ReportFiles(f);
  if (verb == "close") return Close();
  if (verb == "exit") return Exit();
  BadScript("unknown step " + verb);
}

std::string ReadScript(const wchar_t* path) {
  HANDLE h = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, 0, OPEN_EXISTING, 0, 0);
  if (h == INVALID_HANDLE_VALUE) BadScript("cannot open the script");
  std::string text;
  char buf[4096];
  DWORD got;
  while (ReadFile(h, buf, sizeof buf, &got, 0) && got) text.append(buf, got);
  CloseHandle(h);
  return text;
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argc != 2) {
    Report("usage").Field("text", "e2e_driver SCRIPT").Emit();
    return 5;
  }
  std::string script = ReadScript(argv[1]);
  size_t at = 0;
  while (at < script.size()) {
    size_t end = script.find('\n', at);
    std::string line = script.substr(at, end == std::string::npos ? std::string::npos : end - at);
    at = end == std::string::npos ? script.size() : end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    run.step = line.substr(0, line.find('\t'));
    Play(Split(line));
  }
  if (run.started && ExitCodeIfEnded() == STILL_ACTIVE) {
    Report("still_running").Emit();
    Stop(4);
  }
  return 0;
}
