// The kernel handles of the stub's process, seen from the driver.
#include "tests/wine/driver_handles.h"

#include <winternl.h>

#include <algorithm>
#include <map>
#include <vector>

namespace {

const NTSTATUS kLengthMismatch = (NTSTATUS)0xC0000004;

// The object's type or name, which NtQueryObject gives as a
// UNICODE_STRING at the start of its answer; UTF-8 here.
std::string QueryText(HANDLE object, OBJECT_INFORMATION_CLASS what) {
  std::vector<char> buf(4096);
  ULONG need = 0;
  if (NtQueryObject(object, what, buf.data(), (ULONG)buf.size(), &need) != 0) return "(unknown)";
  const UNICODE_STRING& u = *(const UNICODE_STRING*)buf.data();
  if (u.Length == 0) return "(unnamed)";
  const int chars = u.Length / 2;
  int n = WideCharToMultiByte(CP_UTF8, 0, u.Buffer, chars, 0, 0, 0, 0);
  std::string text(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, u.Buffer, chars, &text[0], n, 0, 0);
  return text;
}

std::vector<char> SystemHandles() {
  std::vector<char> buf(1 << 16);
  ULONG need = 0;
  NTSTATUS status;
  while ((status = NtQuerySystemInformation(SystemHandleInformation, buf.data(), (ULONG)buf.size(),
                                            &need)) == kLengthMismatch)
    buf.resize(buf.size() * 2);
  if (status != 0) buf.clear();
  return buf;
}

}  // namespace

HandleTable HandlesOf(HANDLE process, DWORD pid) {
  HandleTable table;
  std::vector<char> buf = SystemHandles();
  if (buf.empty()) return table;
  table.read = true;
  const SYSTEM_HANDLE_INFORMATION* info = (const SYSTEM_HANDLE_INFORMATION*)buf.data();
  std::map<std::string, long> byType;
  std::vector<std::string> files;
  for (ULONG i = 0; i < info->Count; i++) {
    const SYSTEM_HANDLE_ENTRY& e = info->Handle[i];
    if (e.OwnerPid != pid) continue;
    table.total++;
    HANDLE copy = 0;
    if (!DuplicateHandle(process, (HANDLE)(ULONG_PTR)e.HandleValue, GetCurrentProcess(), &copy, 0,
                         FALSE, DUPLICATE_SAME_ACCESS)) {
      byType["(not shared)"]++;
      continue;
    }
    std::string type = QueryText(copy, ObjectTypeInformation);
    byType[type]++;
    if (type == "File") files.push_back(QueryText(copy, ObjectNameInformation));
    CloseHandle(copy);
  }
  for (const auto& t : byType)
    table.types += (table.types.empty() ? "" : ",") + t.first + "=" + std::to_string(t.second);
  std::sort(files.begin(), files.end());
  for (const std::string& f : files) table.files += (table.files.empty() ? "" : "|") + f;
  return table;
}

std::string FileState(const std::wstring& path) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, 0, 0, OPEN_EXISTING, 0, 0);
  if (h != INVALID_HANDLE_VALUE) {
    CloseHandle(h);
    return "free";
  }
  DWORD error = GetLastError();
  if (error == ERROR_SHARING_VIOLATION) return "held";
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return "missing";
  return "error:" + std::to_string(error);
}
