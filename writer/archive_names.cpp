// The item names an archive may hold.
#include "writer/archive_names.h"

#include <string.h>

#include "paths/name_safety.h"
#include "payload/format.h"
#include "platform/platform.h"

// The longest full paths the ANSI calls of Windows take, without the
// terminating zero: a file's, and a folder's (CreateDirectory keeps room
// for an 8.3 name).
const size_t kWindowsFileMax = 259;
const size_t kWindowsFolderMax = 247;
// The shortest destination ("C:\") and one of ordinary length.
const size_t kShortestDestination = 3;
const size_t kOrdinaryDestination = 64;

static bool LeadByte(uint8_t c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

bool CheckNameLevel(const std::string& level, std::string* why) {
  if (level.empty()) {
    *why = "has an empty name level";
    return false;
  }
  if (level == "." || level == "..") {
    *why = "has a level \"" + level + "\"";
    return false;
  }
  if (level.find('\0') != std::string::npos) {
    *why = "contains a zero byte";
    return false;
  }
  const char* s = level.c_str();
  const char* last = s;
  for (const char* p = s; *p; p = OsCharNext(p)) {
    uint8_t c = (uint8_t)*p;
    last = p;
    if (c < 0x20 || strchr("<>:\"/\\|?*", c)) {
      *why = c < 0x20 ? "contains a control character"
                      : std::string("contains the character '") + (char)c +
                            "', which Windows forbids in names";
      return false;
    }
    if (LeadByte(c) && p[1] == 0) {
      *why = "ends inside a double-byte character";
      return false;
    }
  }
  if (*last == '.' || *last == ' ') {
    *why = "ends in a dot or a space, which Windows drops";
    return false;
  }
  return true;
}

bool CheckItemName(const std::string& name, bool isFolder, std::string* why,
                   std::string* warning) {
  if (isFolder && name == ".") return true;
  if (name.find('\0') != std::string::npos) {
    *why = "contains a zero byte";
    return false;
  }
  if (const char* reason = UnsafeNameReasonOn(name.c_str(), true)) {
    *why = std::string("is refused by the extractor: ") + reason;
    return false;
  }
  size_t limit = isFolder ? kWindowsFolderMax : kWindowsFileMax;
  if (name.size() + 2 > (size_t)kMaxName || kShortestDestination + name.size() > limit) {
    *why = "is too long for Windows (" + std::to_string(name.size()) + " bytes; a " +
           (isFolder ? "folder" : "file") + " may have " +
           std::to_string(limit - kShortestDestination) + ")";
    return false;
  }
  if (warning && kOrdinaryDestination + name.size() > limit)
    *warning = "is " + std::to_string(name.size()) +
               " bytes long: below a destination of more than " +
               std::to_string(limit - name.size()) + " bytes Windows cannot make it";
  if (!name.empty() && name[0] == '*') {
    *why = "starts with '*'";
    return false;
  }
  if (!isFolder && name.size() >= 2 && name.compare(name.size() - 2, 2, "\\.") == 0) {
    *why = "would read back as a folder";
    return false;
  }
  // Split at true separators only.
  const char* s = name.c_str();
  const char* start = s;
  for (const char* p = s;; p = OsCharNext(p)) {
    if (*p == '\\' || *p == 0) {
      if (!CheckNameLevel(std::string(start, p), why)) return false;
      if (*p == 0) break;
      start = p + 1;
    }
  }
  return true;
}
