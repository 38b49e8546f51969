// corvane list: the items, description and run command, as text or JSON.
#include <stdio.h>

#include <nlohmann/json.hpp>

#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "cli/file_time_text.h"
#include "cli/display_text.h"
#include "platform/console.h"

namespace {

struct Listed {
  std::string name;  // UTF-8, '/' separators, folders ending in '/'
  std::string rawHex;
  ItemRecord record;
  int64_t stored = -1;  // bytes in the item stream; -1: the item did not end
};

// A relative item name as the user sees it: "a\b\." is the folder "a/b/".
std::string ItemNameForDisplay(const std::string& sjis, bool isFolder) {
  std::string name = sjis;
  if (isFolder) name.pop_back();  // the dot
  std::string shown = ArchivePathForDisplay("", name);
  return shown.empty() ? "./" : shown;
}

std::string Hex(const std::string& bytes) {
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += kHex[c >> 4];
    out += kHex[c & 15];
  }
  return out;
}

void PrintHeaderText(const ArchiveSession& s) {
  ConsolePrintf(stdout, "Archive: %s\n", s.path().c_str());
  ConsolePrintf(stdout, "Protected: %s\n",
                !s.isProtected() ? "no"
                : s.masked()     ? "yes (typed password masked)"
                                 : "yes");
  if (!s.runCommand().empty())
    ConsolePrintf(stdout, "Run command: %s\n", SjisForDisplay(s.runCommand()).c_str());
  if (!s.description().empty()) {
    ConsolePrintf(stdout, "Description:\n");
    std::string d = SjisForDisplay(s.description());
    size_t at = 0;
    while (at <= d.size()) {
      size_t end = d.find('\n', at);
      if (end == std::string::npos) end = d.size();
      std::string line = d.substr(at, end - at);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      ConsolePrintf(stdout, "  %s\n", line.c_str());
      at = end + 1;
    }
  }
}

// Stored bytes per hundred bytes of the file, as "12.3%".
std::string Ratio(int64_t stored, int64_t size) {
  if (size <= 0 || stored < 0) return "-";
  char buf[32];
  int64_t permille = (stored * 1000 + size / 2) / size;
  snprintf(buf, sizeof buf, "%lld.%lld%%", (long long)(permille / 10), (long long)(permille % 10));
  return buf;
}

std::string Stored(int64_t stored) { return stored < 0 ? "?" : std::to_string(stored); }

void PrintText(const ArchiveSession& s, const std::vector<Listed>& items, const ListOptions& o) {
  PrintHeaderText(s);
  const char* modified = o.utc ? "Modified (UTC)" : "Modified (local)";
  if (o.verbose)
    ConsolePrintf(stdout, "%12s  %12s  %7s  %-19s  %s\n", "Size", "Stored", "Ratio", modified,
                  "Name");
  else
    ConsolePrintf(stdout, "%12s  %-19s  %s\n", "Size", modified, "Name");
  int64_t total = 0, totalStored = 0;
  int files = 0, folders = 0;
  for (const Listed& it : items) {
    std::string size = it.record.isFolder ? "-" : std::to_string(it.record.size);
    std::string time = it.record.isFolder ? "-" : FileTimeShort(it.record.writeTime, o.utc);
    if (it.record.isFolder)
      folders++;
    else
      files++, total += it.record.size;
    if (it.stored > 0) totalStored += it.stored;
    if (o.verbose)
      ConsolePrintf(stdout, "%12s  %12s  %7s  %-19s  %s\n", size.c_str(), Stored(it.stored).c_str(),
                    it.record.isFolder ? "-" : Ratio(it.stored, it.record.size).c_str(),
                    time.c_str(), it.name.c_str());
    else
      ConsolePrintf(stdout, "%12s  %-19s  %s\n", size.c_str(), time.c_str(), it.name.c_str());
  }
  if (o.quiet) return;
  ConsolePrintf(stdout, "%d files, %d folders, %lld bytes", files, folders, (long long)total);
  if (o.verbose)
    ConsolePrintf(stdout, ", stored in %lld bytes (%s)", (long long)totalStored,
                  Ratio(totalStored, total).c_str());
  ConsolePrintf(stdout, "\n");
}

nlohmann::json HeaderJson(const ArchiveSession& s, bool sound) {
  nlohmann::json j;
  j["archive"] = s.path();
  j["description"] = SjisForDisplay(s.description());
  j["runCommand"] = SjisForDisplay(s.runCommand());
  j["protected"] = s.isProtected();
  j["masked"] = s.masked();
  j["complete"] = sound;
  return j;
}

void PrintJson(const ArchiveSession& s, const std::vector<Listed>& items, bool sound) {
  nlohmann::json j = HeaderJson(s, sound);
  nlohmann::json list = nlohmann::json::array();
  for (const Listed& it : items) {
    nlohmann::json e;
    e["name"] = it.name;
    e["nameShiftJisHex"] = it.rawHex;
    e["type"] = it.record.isFolder ? "folder" : "file";
    if (!it.record.isFolder) {
      e["size"] = it.record.size;
      e["creationTime"] = FileTimeIso(it.record.creationTime);
      e["accessTime"] = FileTimeIso(it.record.accessTime);
      e["writeTime"] = FileTimeIso(it.record.writeTime);
      e["creationFileTime"] = it.record.creationTime;
      e["accessFileTime"] = it.record.accessTime;
      e["writeFileTime"] = it.record.writeTime;
      e["referenceDistance"] = it.record.distance;
      e["sharedLength"] = it.record.shared;
    }
    if (it.stored >= 0) e["storedBytes"] = it.stored;
    list.push_back(e);
  }
  j["items"] = list;
  ConsolePrintf(stdout, "%s\n", j.dump(2).c_str());
}

}  // namespace

int ListCommand(const ListOptions& o) {
  ArchiveSession session;
  std::string why;
  int code = OpenForReading(o.read, &session, &why);
  if (code != kExitSuccess) {
    // Without the password the header still tells what the archive is:
    // its texts and that it is protected.
    if (code == kExitWrongPassword && session.isProtected()) {
      if (o.json) {
        nlohmann::json j = HeaderJson(session, false);
        j["error"] = why;
        ConsolePrintf(stdout, "%s\n", j.dump(2).c_str());
      } else {
        PrintHeaderText(session);
      }
    }
    return code;
  }
  MemberSelection selection(o.read.members, o.read.excludes);
  session.selection = &selection;
  std::vector<Listed> items;
  session.onItem = [&](const Extraction& x) {
    items.push_back({ItemNameForDisplay(x.name, x.item.isFolder), Hex(x.name), x.item});
  };
  session.onItemEnd = [&](const Extraction&, int64_t stored) {
    if (!items.empty()) items.back().stored = stored;
  };
  // The item stream holds no index: listing means decoding every body.
  code = session.Run("");
  if (o.json)
    PrintJson(session, items, code == kExitSuccess);
  else
    PrintText(session, items, o);
  return ReportUnmatchedMembers(selection, o.read.archive, code);
}
