// Host files on Windows: wide calls on long paths; descriptors from the
// C runtime over the handles, so that read() and fdopen() work on them.
#include "platform/host_files.h"

#include <errno.h>
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <string.h>
#include <windows.h>

#include "platform/interrupt.h"
#include "platform/wide_paths_win32.h"

const char kHostSeparators[] = "/\\";

namespace {

FileTime FromFiletime(const FILETIME& t) {
  return (FileTime)t.dwHighDateTime << 32 | t.dwLowDateTime;
}

bool InfoOfHandle(HANDLE h, bool asLink, HostFileInfo* info) {
  DWORD type = GetFileType(h);
  if (type == FILE_TYPE_PIPE || type == FILE_TYPE_CHAR) {
    *info = HostFileInfo();
    info->kind = type == FILE_TYPE_PIPE ? HostKind::kPipe : HostKind::kDevice;
    return true;
  }
  BY_HANDLE_FILE_INFORMATION i;
  if (!GetFileInformationByHandle(h, &i)) return Failed();
  info->kind = asLink && (i.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ? HostKind::kLink
               : (i.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)            ? HostKind::kFolder
                                                                           : HostKind::kFile;
  info->size = (int64_t)((uint64_t)i.nFileSizeHigh << 32 | i.nFileSizeLow);
  info->creation = FromFiletime(i.ftCreationTime);
  info->access = FromFiletime(i.ftLastAccessTime);
  info->write = FromFiletime(i.ftLastWriteTime);
  info->change = info->write;
  info->device = i.dwVolumeSerialNumber;
  info->id = (uint64_t)i.nFileIndexHigh << 32 | i.nFileIndexLow;
  return true;
}

HANDLE HandleOf(int fd) { return (HANDLE)_get_osfhandle(fd); }

}  // namespace

bool HostInfoOfPath(const std::string& path, bool followLinks, HostFileInfo* info) {
  std::wstring wide;
  if (!LongPath(path, &wide)) return false;
  DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (followLinks ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
  HANDLE h = CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, 0, OPEN_EXISTING,
                         flags, 0);
  if (h == INVALID_HANDLE_VALUE) return Failed();
  bool ok = InfoOfHandle(h, !followLinks, info);
  CloseHandle(h);
  return ok;
}

bool HostInfoOfFile(int fd, HostFileInfo* info) {
  HANDLE h = HandleOf(fd);
  if (h == INVALID_HANDLE_VALUE) {
    errno = EBADF;
    return false;
  }
  return InfoOfHandle(h, false, info);
}

int HostOpenForReading(const std::string& path) {
  std::wstring wide;
  if (!LongPath(path, &wide)) return -1;
  HANDLE h = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, 0,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, 0);
  if (h == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    DWORD a = GetFileAttributesW(wide.c_str());
    errno = a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) ? EISDIR
                                                                           : ErrnoOf(error);
    return -1;
  }
  int fd = _open_osfhandle((intptr_t)h, _O_RDONLY | _O_BINARY);
  if (fd < 0) CloseHandle(h);
  return fd;
}

bool HostClose(int fd) { return _close(fd) == 0; }

bool HostReadAt(int fd, int64_t offset, void* into, size_t n, size_t* got) {
  *got = 0;
  HANDLE h = HandleOf(fd);
  while (*got < n) {
    OVERLAPPED at = {};
    uint64_t from = (uint64_t)offset + *got;
    at.Offset = (DWORD)from;
    at.OffsetHigh = (DWORD)(from >> 32);
    DWORD done = 0;
    if (!ReadFile(h, (char*)into + *got, (DWORD)(n - *got), &done, &at)) {
      if (GetLastError() == ERROR_HANDLE_EOF) break;
      return Failed();
    }
    if (done == 0) break;
    *got += done;
  }
  return true;
}

bool HostListFolder(const std::string& path, std::vector<std::string>* names) {
  names->clear();
  std::wstring wide;
  if (!LongPath(path, &wide)) return false;
  if (wide.back() != L'\\') wide += L'\\';
  wide += L'*';
  WIN32_FIND_DATAW found;
  HANDLE find =
      FindFirstFileExW(wide.c_str(), FindExInfoStandard, &found, FindExSearchNameMatch, 0, 0);
  if (find == INVALID_HANDLE_VALUE) return Failed();
  bool ok = true;
  do {
    if (wcscmp(found.cFileName, L".") == 0 || wcscmp(found.cFileName, L"..") == 0) continue;
    std::string name;
    if (!WideToUtf8(found.cFileName, wcslen(found.cFileName), &name)) {
      errno = EILSEQ;
      ok = false;
      break;
    }
    names->push_back(name);
  } while (FindNextFileW(find, &found));
  if (ok && GetLastError() != ERROR_NO_MORE_FILES) ok = Failed();
  FindClose(find);
  return ok;
}

bool HostCreateFolders(const std::string& path) {
  std::wstring wide;
  if (!LongPath(path, &wide)) return false;
  while (wide.size() > 7 && wide.back() == L'\\') wide.pop_back();
  // From the first level that is missing on, each made in turn.
  size_t start = wide.compare(0, 8, L"\\\\?\\UNC\\") == 0
                     ? wide.find(L'\\', wide.find(L'\\', 8) + 1)
                     : wide.find(L'\\', 4);
  for (size_t at = start; at != std::wstring::npos;) {
    size_t next = wide.find(L'\\', at + 1);
    std::wstring level = wide.substr(0, next);
    DWORD a = GetFileAttributesW(level.c_str());
    if (a == INVALID_FILE_ATTRIBUTES) {
      if (!CreateDirectoryW(level.c_str(), 0) && GetLastError() != ERROR_ALREADY_EXISTS)
        return Failed();
    } else if (!(a & FILE_ATTRIBUTE_DIRECTORY)) {
      errno = next == std::wstring::npos ? EEXIST : ENOTDIR;
      return false;
    }
    at = next;
  }
  return true;
}

bool HostReplace(const std::string& from, const std::string& to) {
  std::wstring f, t;
  if (!LongPath(from, &f) || !LongPath(to, &t)) return false;
  return MoveFileExW(f.c_str(), t.c_str(), MOVEFILE_REPLACE_EXISTING) != 0 || Failed();
}

bool HostRemove(const std::string& path) {
  std::wstring wide;
  if (!LongPath(path, &wide)) return false;
  return DeleteFileW(wide.c_str()) != 0 || Failed();
}

void HostShareNewFile(int) {}

std::string HostStandardInputFile(int* fd, std::string* why) {
  *fd = -1;
  HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode;
  if (GetConsoleMode(in, &mode)) {
    *why = "standard input is a terminal, not an archive";
    return "";
  }
  std::vector<wchar_t> name(32768);
  if (GetFileType(in) == FILE_TYPE_DISK) {
    DWORD n = GetFinalPathNameByHandleW(in, name.data(), (DWORD)name.size(), 0);
    std::string path;
    if (n > 0 && n < name.size() && WideToUtf8(name.data(), n, &path)) return path;
  }
  wchar_t folder[MAX_PATH + 1];
  DWORD n = GetTempPathW(MAX_PATH + 1, folder);
  std::string shownFolder;
  WideToUtf8(folder, n, &shownFolder);
  if (n == 0 || !GetTempFileNameW(folder, L"cvn", 0, name.data())) {
    Failed();
    *why = "cannot make a temporary copy of standard input in " + shownFolder + ": " +
           strerror(errno);
    return "";
  }
  HANDLE copy = CreateFileW(name.data(), GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, 0,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, 0);
  if (copy == INVALID_HANDLE_VALUE) {
    Failed();
    *why = "cannot make a temporary copy of standard input in " + shownFolder + ": " +
           strerror(errno);
    return "";
  }
  *fd = _open_osfhandle((intptr_t)copy, _O_RDWR | _O_BINARY);
  std::vector<char> buffer(1 << 16);
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(in, buffer.data(), (DWORD)buffer.size(), &got, 0)) {
      if (GetLastError() == ERROR_BROKEN_PIPE) break;
      Failed();
      *why = InterruptNoted() ? "interrupted"
                              : std::string("cannot copy standard input: ") + strerror(errno);
      return "";
    }
    if (got == 0) break;
    DWORD put = 0;
    if (!WriteFile(copy, buffer.data(), got, &put, 0) || put != got) {
      Failed();
      *why = std::string("cannot copy standard input: ") + strerror(errno);
      return "";
    }
    if (InterruptNoted()) {
      *why = "interrupted";
      return "";
    }
  }
  std::string path;
  WideToUtf8(name.data(), wcslen(name.data()), &path);
  return path;
}
