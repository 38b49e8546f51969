// corvane list: the items, description and run command, as text or JSON.
#include <stdio.h>

#include <nlohmann/json.hpp>

#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "cli/file_time_text.h"
#include "cli/display_text.h"

namespace {

struct Listed {
  std::string name;  // UTF-8, '/' separators, folders ending in '/'
  std::string rawHex;
  ItemRecord record;
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

void PrintText(const ArchiveSession& s, const std::vector<Listed>& items, bool quiet) {
  printf("Archive: %s\n", s.path().c_str());
  printf("Protected: %s\n", !s.isProtected() ? "no" : s.masked() ? "yes (typed password masked)"
                                                                 : "yes");
  if (!s.runCommand().empty())
    printf("Run command: %s\n", SjisForDisplay(s.runCommand()).c_str());
  if (!s.description().empty()) {
    printf("Description:\n");
    std::string d = SjisForDisplay(s.description());
    size_t at = 0;
    while (at <= d.size()) {
      size_t end = d.find('\n', at);
      if (end == std::string::npos) end = d.size();
      std::string line = d.substr(at, end - at);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      printf("  %s\n", line.c_str());
      at = end + 1;
    }
  }
  printf("%12s  %-19s  %s\n", "Size", "Modified (UTC)", "Name");
  int64_t total = 0;
  int files = 0, folders = 0;
  for (const Listed& it : items) {
    if (it.record.isFolder) {
      folders++;
      printf("%12s  %-19s  %s\n", "-", "-", it.name.c_str());
    } else {
      files++;
      total += it.record.size;
      printf("%12d  %-19s  %s\n", it.record.size, FileTimeShort(it.record.writeTime).c_str(),
             it.name.c_str());
    }
  }
  if (!quiet) printf("%d files, %d folders, %lld bytes\n", files, folders, (long long)total);
}

void PrintJson(const ArchiveSession& s, const std::vector<Listed>& items, bool sound) {
  nlohmann::json j;
  j["archive"] = s.path();
  j["description"] = SjisForDisplay(s.description());
  j["runCommand"] = SjisForDisplay(s.runCommand());
  j["protected"] = s.isProtected();
  j["masked"] = s.masked();
  j["complete"] = sound;
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
    list.push_back(e);
  }
  j["items"] = list;
  printf("%s\n", j.dump(2).c_str());
}

}  // namespace

int ListCommand(const ReadOptions& o, bool json, bool quiet) {
  ArchiveSession session;
  int code = OpenForReading(o, &session);
  if (code != kExitSuccess) return code;
  MemberSelection selection(o.members, o.excludes);
  session.selection = &selection;
  std::vector<Listed> items;
  session.onItem = [&](const Extraction& x) {
    items.push_back({ItemNameForDisplay(x.name, x.item.isFolder), Hex(x.name), x.item});
  };
  // The item stream holds no index: listing means decoding every body.
  code = session.Run("");
  if (json)
    PrintJson(session, items, code == kExitSuccess);
  else
    PrintText(session, items, quiet);
  return ReportUnmatchedMembers(selection, o.archive, code);
}
