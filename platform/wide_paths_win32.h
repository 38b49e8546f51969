// UTF-8 host paths as Windows' wide calls take them, and Windows' error
// codes as errno values: shared by the tool's Windows platform files.
#ifndef CORVANE_PLATFORM_WIDE_PATHS_WIN32_H
#define CORVANE_PLATFORM_WIDE_PATHS_WIN32_H

#include <windows.h>

#include <string>

// Strict conversions between UTF-8 and UTF-16; false for text that is not
// valid in its code.
bool Utf8ToWide(const std::string& utf8, std::wstring* wide);
bool WideToUtf8(const wchar_t* wide, size_t n, std::string* utf8);

// The full path of a UTF-8 path in the form that lifts MAX_PATH:
// "\\?\C:\..." or "\\?\UNC\server\share\...", '/' read as '\'. Device
// paths ("\\.\...") and paths already in that form stay as they are.
// False (errno EILSEQ or the system's) when it cannot be formed.
bool LongPath(const std::string& utf8, std::wstring* wide);

// The errno value that says what a Windows error code says.
int ErrnoOf(DWORD error);

// errno set from GetLastError(); returns false, for `return Failed();`.
bool Failed();

#endif
