// UTF-8 paths to long wide paths, and Windows' errors as errno values.
#include "platform/wide_paths_win32.h"

#include <errno.h>

#include <vector>

bool Utf8ToWide(const std::string& utf8, std::wstring* wide) {
  wide->clear();
  if (utf8.empty()) return true;
  int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), (int)utf8.size(), 0, 0);
  if (n <= 0) return false;
  wide->resize((size_t)n);
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), (int)utf8.size(), &(*wide)[0], n);
  return true;
}

bool WideToUtf8(const wchar_t* wide, size_t length, std::string* utf8) {
  utf8->clear();
  if (length == 0) return true;
  int n = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide, (int)length, 0, 0, 0, 0);
  if (n <= 0) return false;
  utf8->resize((size_t)n);
  WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide, (int)length, &(*utf8)[0], n, 0, 0);
  return true;
}

bool LongPath(const std::string& utf8, std::wstring* wide) {
  std::wstring given;
  if (!Utf8ToWide(utf8, &given)) {
    errno = EILSEQ;
    return false;
  }
  if (given.empty()) {
    errno = ENOENT;
    return false;
  }
  if (given.compare(0, 4, L"\\\\?\\") == 0 || given.compare(0, 4, L"\\\\.\\") == 0) {
    *wide = given;
    return true;
  }
  for (wchar_t& c : given)
    if (c == L'/') c = L'\\';
  DWORD n = GetFullPathNameW(given.c_str(), 0, 0, 0);
  if (n == 0) return Failed();
  std::vector<wchar_t> full(n + 1);
  n = GetFullPathNameW(given.c_str(), (DWORD)full.size(), full.data(), 0);
  if (n == 0 || n >= full.size()) return Failed();
  std::wstring f(full.data(), n);
  if (f.compare(0, 4, L"\\\\.\\") == 0)  // a device: NUL, CON, COM1
    *wide = f;
  else if (f.compare(0, 2, L"\\\\") == 0)
    *wide = L"\\\\?\\UNC\\" + f.substr(2);
  else
    *wide = L"\\\\?\\" + f;
  return true;
}

int ErrnoOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_CANT_ACCESS_FILE:
      return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_BUFFER_OVERFLOW:
      return ENAMETOOLONG;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_PARAMETER:
      return EINVAL;
    case ERROR_DIRECTORY:
      return ENOTDIR;
    case ERROR_DIR_NOT_EMPTY:
      return ENOTEMPTY;
    case ERROR_WRITE_PROTECT:
      return EROFS;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return ENOMEM;
    case ERROR_NO_UNICODE_TRANSLATION:
      return EILSEQ;
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA:
      return EPIPE;
    case ERROR_OPERATION_ABORTED:
      return EINTR;
    default:
      return EIO;
  }
}

bool Failed() {
  errno = ErrnoOf(GetLastError());
  return false;
}
