// CollectEntries: host files and folders into archive entries.
//
// A folder given by path becomes its base name with everything below it
// (like `zip -r`), a file its base name. Siblings are sorted by their host
// names, a folder entry comes before its contents, so the same tree
// always gives the same archive. Names are converted UTF-8 -> Shift-JIS
// (CP932) and must convert back to the same text, so that they extract
// under the name they were taken from.
//
// Left out, with the path and the reason (or, with strict, the end of the
// collection): a name that does not convert, one that the extractor or
// Windows would refuse or change (archive_names.h), a second path given
// with the same base name, a file that cannot be opened for reading or is
// 2 GiB or larger, a folder that cannot be listed, and a path given that
// is neither a file nor a folder (a pipe, a device). Two names of one
// folder that differ only in ASCII letter case are kept, both, with a
// warning: on Windows the second meets the first and the extractor asks
// before overwriting it. Links given as paths are followed; links inside
// folders are skipped with a warning unless followLinks, as is anything
// there that is neither a file nor a folder. The output file is never an
// input: meeting it ends the collection.
#include <errno.h>
#include <string.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "payload/format.h"
#include "platform/host_files.h"
#include "platform/platform.h"
#include "platform/text_encoding.h"
#include "writer/archive_names.h"
#include "writer/name_patterns.h"
#include "writer/archive_writer.h"

namespace {

FileTime ToFileTime(int64_t sec, uint32_t nsec) {
  if (sec < -kFileTimeEpochSeconds) return 0;
  return (FileTime)(sec + kFileTimeEpochSeconds) * kFileTimeUnitsPerSecond + nsec / 100;
}

// A name in ASCII upper case, stepping by characters so that the second
// byte of a double-byte character is left alone.
std::string FoldCase(const std::string& sjis) {
  std::string folded = sjis;
  const char* s = folded.c_str();
  for (const char* p = s; *p; p = OsCharNext(p))
    if (*p >= 'a' && *p <= 'z') folded[p - s] = (char)(*p - 'a' + 'A');
  return folded;
}

struct Child {
  std::string hostName;  // UTF-8, as on disk
  std::string hostPath;
  std::string shown;     // the stored name in UTF-8 with '/', for patterns
  bool isFolder;
};

class Collector {
 public:
  Collector(const CollectOptions& options, std::vector<ArchiveEntry>* entries,
            CollectReport* report, std::string* error)
      : options_(options), entries_(entries), report_(report), error_(error) {}

  bool AddTopLevel(const std::vector<std::string>& paths);

 private:
  bool Fail(const std::string& message) {
    *error_ = message;
    return false;
  }
  void Warn(const std::string& message) { report_->warnings.push_back(message); }
  // An input that cannot be taken: left out and reported, or with strict
  // the end of the collection. Returns whether to go on.
  bool LeaveOut(const std::string& message) {
    if (options_.strict) return Fail(message);
    report_->leftOut.push_back(message);
    return true;
  }
  bool Excluded(const std::string& shown) const;
  bool IsOutput(const HostFileInfo& info) const {
    return options_.hasOutputId && info.device == options_.outputDevice &&
           info.id == options_.outputInode;
  }
  // One level of a name in Shift-JIS, checked; false in *take when the
  // input is left out.
  bool ArchiveLevel(const Child& c, std::string* level, bool* take);
  // Sorts siblings and refuses names that would collide on Windows.
  bool AddSiblings(std::vector<Child>* children, const std::string& prefix);
  bool AddFile(const Child& c, const std::string& name);
  bool AddFolder(const Child& c, const std::string& name);

  const CollectOptions& options_;
  std::vector<ArchiveEntry>* entries_;
  CollectReport* report_;
  std::string* error_;
  // The folders being walked, by device and inode: a followed link back
  // to one of them would walk forever.
  std::vector<std::pair<uint64_t, uint64_t>> walking_;
};

// A folder that matches takes everything below it along: the walk does
// not go into it.
bool Collector::Excluded(const std::string& shown) const {
  for (const std::string& pattern : options_.excludes)
    if (PatternMatchesName(pattern, shown)) return true;
  return false;
}

bool Collector::ArchiveLevel(const Child& c, std::string* level, bool* take) {
  *take = false;
  std::string back;
  if (!Utf8ToSjis(c.hostName, level) || !SjisToUtf8(*level, &back) || back != c.hostName)
    return LeaveOut("the name of '" + c.hostPath + "' cannot be written in Shift-JIS");
  std::string why;
  if (!CheckNameLevel(*level, &why)) return LeaveOut("the name of '" + c.hostPath + "' " + why);
  *take = true;
  return true;
}

bool Collector::AddSiblings(std::vector<Child>* children, const std::string& prefix) {
  std::sort(children->begin(), children->end(),
            [](const Child& a, const Child& b) { return a.hostName < b.hostName; });
  std::map<std::string, std::string> byFolded;
  std::vector<std::string> levels;
  std::vector<const Child*> taken;
  for (const Child& c : *children) {
    if (Excluded(c.shown)) continue;
    std::string level;
    bool take;
    if (!ArchiveLevel(c, &level, &take)) return false;
    if (!take) continue;
    auto seen = byFolded.emplace(FoldCase(level), c.hostPath);
    if (!seen.second) {
      // Only paths given side by side can have the very same name.
      if (std::find(levels.begin(), levels.end(), level) != levels.end()) {
        if (!LeaveOut("'" + c.hostPath + "' and '" + seen.first->second +
                      "' would have the same name"))
          return false;
        continue;
      }
      Warn("'" + c.hostPath + "' and '" + seen.first->second +
           "' differ only in letter case; on Windows the second replaces the first");
    }
    levels.push_back(level);
    taken.push_back(&c);
  }
  for (size_t i = 0; i < taken.size(); i++) {
    const Child& c = *taken[i];
    std::string name = prefix.empty() ? levels[i] : prefix + "\\" + levels[i];
    std::string why, warning;
    if (!CheckItemName(name, c.isFolder, &why, &warning)) {
      if (!LeaveOut("the archive name of '" + c.hostPath + "' " + why)) return false;
      continue;
    }
    if (!warning.empty()) Warn("the archive name of '" + c.hostPath + "' " + warning);
    if (!(c.isFolder ? AddFolder(c, name) : AddFile(c, name))) return false;
  }
  return true;
}

bool Collector::AddFile(const Child& c, const std::string& name) {
  // Opened once here, so that a file that cannot be read is left out now
  // rather than end the writing later.
  int fd = HostOpenForReading(c.hostPath);
  if (fd < 0) return LeaveOut("cannot read '" + c.hostPath + "': " + strerror(errno));
  HostFileInfo st;
  bool known = HostInfoOfFile(fd, &st);
  HostClose(fd);
  if (known && IsOutput(st)) {
    report_->metOutput = true;
    return Fail("'" + c.hostPath + "' is the output itself");
  }
  if (known && st.size > kMaxFileSize)
    return LeaveOut("'" + c.hostPath + "' is 2 GiB or larger, more than an archive can hold");
  HostFileInfo t;
  if (!HostInfoOfPath(c.hostPath, true, &t))
    return LeaveOut("cannot read the times of '" + c.hostPath + "': " + strerror(errno));
  if (options_.sourceDateEpoch >= 0) {
    // Reproducible: no time later than the epoch, and the access time,
    // which reading the file moves, replaced by the write time.
    FileTime latest = ToFileTime(options_.sourceDateEpoch, 0);
    t.creation = std::min(t.creation, latest);
    t.write = std::min(t.write, latest);
    t.access = t.write;
  }
  ArchiveEntry e;
  e.name = name;
  e.creationTime = t.creation;
  e.accessTime = t.access;
  e.writeTime = t.write;
  e.hostPath = c.hostPath;
  if (known) e.hostSize = (uint64_t)st.size;
  entries_->push_back(std::move(e));
  return true;
}

bool Collector::AddFolder(const Child& c, const std::string& name) {
  std::vector<std::string> names;
  if (!HostListFolder(c.hostPath, &names))
    return LeaveOut("cannot open the folder '" + c.hostPath + "': " + strerror(errno));
  HostFileInfo self;
  if (HostInfoOfPath(c.hostPath, true, &self)) {
    for (const auto& w : walking_)
      if (w.first == self.device && w.second == self.id)
        return LeaveOut("'" + c.hostPath + "' is a link to a folder above it");
    walking_.push_back({self.device, self.id});
  }
  ArchiveEntry folder;
  folder.name = name;
  folder.isFolder = true;
  entries_->push_back(folder);

  std::vector<Child> children;
  bool ok = true;
  for (const std::string& hostName : names) {
    std::string path = c.hostPath + "/" + hostName;
    std::string shown = c.shown + "/" + hostName;
    HostFileInfo st;
    if (!HostInfoOfPath(path, false, &st)) {
      ok = LeaveOut("cannot examine '" + path + "': " + strerror(errno));
      if (!ok) break;
      continue;
    }
    if (st.kind == HostKind::kLink) {
      if (!options_.followLinks) {
        Warn("skipped the link '" + path + "'");
        continue;
      }
      if (!HostInfoOfPath(path, true, &st)) {
        ok = LeaveOut("cannot follow the link '" + path + "': " + strerror(errno));
        if (!ok) break;
        continue;
      }
    }
    if (st.kind == HostKind::kFolder)
      children.push_back({hostName, path, shown, true});
    else if (st.kind == HostKind::kFile)
      children.push_back({hostName, path, shown, false});
    else
      Warn("skipped '" + path + "', which is neither a file nor a folder");
  }
  ok = ok && AddSiblings(&children, name);
  if (!walking_.empty()) walking_.pop_back();
  return ok;
}

bool Collector::AddTopLevel(const std::vector<std::string>& paths) {
  std::vector<Child> top;
  for (const std::string& path : paths) {
    HostFileInfo st;
    if (!HostInfoOfPath(path, true, &st)) {
      if (!LeaveOut("cannot find '" + path + "': " + strerror(errno))) return false;
      continue;
    }
    if (st.kind != HostKind::kFolder && st.kind != HostKind::kFile) {
      if (!LeaveOut("'" + path + "' is neither a file nor a folder")) return false;
      continue;
    }
    // The base name as given; "." and ".." (and "dir/.") name the folder
    // they resolve to.
    std::filesystem::path p = std::filesystem::u8path(path).lexically_normal();
    std::string base = p.filename().u8string();
    if (base.empty() && p.has_parent_path()) base = p.parent_path().filename().u8string();
    if (base.empty() || base == "." || base == "..") {
      std::error_code ec;
      std::filesystem::path resolved =
          std::filesystem::canonical(std::filesystem::u8path(path), ec);
      base = ec ? "" : resolved.filename().u8string();
    }
    if (base.empty() || base == "/") {
      if (!LeaveOut("'" + path + "' has no name to store it under")) return false;
      continue;
    }
    std::string hostPath = path;
    while (hostPath.size() > 1 && strchr(kHostSeparators, hostPath.back())) hostPath.pop_back();
    top.push_back({base, hostPath, base, st.kind == HostKind::kFolder});
  }
  return AddSiblings(&top, "");
}

}  // namespace

bool CollectEntries(const std::vector<std::string>& paths, const CollectOptions& options,
                    std::vector<ArchiveEntry>* entries, CollectReport* report,
                    std::string* error) {
  entries->clear();
  Collector collector(options, entries, report, error);
  if (collector.AddTopLevel(paths)) return true;
  entries->clear();
  return false;
}

bool CollectEntries(const std::vector<std::string>& paths,
                    std::vector<ArchiveEntry>* entries, std::string* error,
                    std::vector<std::string>* warnings) {
  CollectOptions strict;
  strict.strict = true;
  CollectReport report;
  bool ok = CollectEntries(paths, strict, entries, &report, error);
  if (warnings) *warnings = report.warnings;
  return ok;
}
