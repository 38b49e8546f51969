// The item names an archive may hold.
#include "writer/archive_names.h"

#include <string.h>

#include "payload/format.h"
#include "platform/platform.h"

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

bool CheckItemName(const std::string& name, bool isFolder, std::string* why) {
  if (isFolder && name == ".") return true;
  if (name.size() + 2 > (size_t)kMaxName) {
    *why = "is too long";
    return false;
  }
  if (name.find('\0') != std::string::npos) {
    *why = "contains a zero byte";
    return false;
  }
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
