// CollectEntries: host files and folders into archive entries.
//
// A folder given by path becomes its base name with everything below it
// (like `zip -r`), a file its base name. Siblings are sorted by their host
// names, a folder entry comes before its contents, so the same tree
// always gives the same archive. Names are converted UTF-8 -> Shift-JIS
// (CP932) and must convert back to the same text, so that they extract
// under the name they were taken from.
//
// Refused, with the path in the message: a name that does not convert,
// one that Windows cannot create or would change (forbidden characters,
// control bytes, a trailing dot or space, "." and ".."), and two paths
// given with the same base name. Two names of one folder that differ only
// in ASCII letter case are kept, both, with a warning: on Windows the
// second meets the first and the extractor asks before overwriting it.
// Links given as paths are followed; links inside folders are skipped, as
// is anything there that is neither a file nor a folder, and reported as
// warnings.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "platform/platform.h"
#include "platform/text_encoding.h"
#include "writer/archive_names.h"
#include "writer/archive_writer.h"

namespace {

FileTime ToFileTime(int64_t sec, uint32_t nsec) {
  if (sec < -kFileTimeEpochSeconds) return 0;
  return (FileTime)(sec + kFileTimeEpochSeconds) * kFileTimeUnitsPerSecond + nsec / 100;
}

struct HostTimes {
  FileTime creation, access, write;
};

// Birth time where the file system keeps one, else the last write time.
bool ReadTimes(const std::string& path, HostTimes* t) {
  struct statx sx;
  if (statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME | STATX_ATIME | STATX_MTIME, &sx) != 0)
    return false;
  t->access = ToFileTime(sx.stx_atime.tv_sec, sx.stx_atime.tv_nsec);
  t->write = ToFileTime(sx.stx_mtime.tv_sec, sx.stx_mtime.tv_nsec);
  t->creation = (sx.stx_mask & STATX_BTIME)
                    ? ToFileTime(sx.stx_btime.tv_sec, sx.stx_btime.tv_nsec)
                    : t->write;
  return true;
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
  bool isFolder;
};

class Collector {
 public:
  Collector(std::vector<ArchiveEntry>* entries, std::string* error,
            std::vector<std::string>* warnings)
      : entries_(entries), error_(error), warnings_(warnings) {}

  bool AddTopLevel(const std::vector<std::string>& paths);

 private:
  bool Fail(const std::string& message) {
    *error_ = message;
    return false;
  }
  bool Warn(const std::string& message) {
    if (warnings_) warnings_->push_back(message);
    return true;
  }
  // One level of a name in Shift-JIS, checked; the host path names it in
  // messages.
  bool ArchiveLevel(const Child& c, std::string* level);
  // Sorts siblings and refuses names that would collide on Windows.
  bool AddSiblings(std::vector<Child>* children, const std::string& prefix);
  bool AddFile(const Child& c, const std::string& name);
  bool AddFolder(const Child& c, const std::string& name);

  std::vector<ArchiveEntry>* entries_;
  std::string* error_;
  std::vector<std::string>* warnings_;
};

bool Collector::ArchiveLevel(const Child& c, std::string* level) {
  std::string back;
  if (!Utf8ToSjis(c.hostName, level) ||
      !SjisToUtf8(*level, &back) || back != c.hostName)
    return Fail("the name of '" + c.hostPath + "' cannot be written in Shift-JIS");
  std::string why;
  if (!CheckNameLevel(*level, &why))
    return Fail("the name of '" + c.hostPath + "' " + why);
  return true;
}

bool Collector::AddSiblings(std::vector<Child>* children, const std::string& prefix) {
  std::sort(children->begin(), children->end(),
            [](const Child& a, const Child& b) { return a.hostName < b.hostName; });
  std::map<std::string, std::string> byFolded;
  std::vector<std::string> levels;
  for (const Child& c : *children) {
    std::string level;
    if (!ArchiveLevel(c, &level)) return false;
    auto seen = byFolded.emplace(FoldCase(level), c.hostPath);
    if (!seen.second) {
      // Only paths given side by side can have the very same name.
      if (std::find(levels.begin(), levels.end(), level) != levels.end())
        return Fail("'" + c.hostPath + "' and '" + seen.first->second +
                    "' would have the same name");
      Warn("'" + c.hostPath + "' and '" + seen.first->second +
           "' differ only in letter case; on Windows the second replaces the first");
    }
    levels.push_back(level);
  }
  for (size_t i = 0; i < children->size(); i++) {
    const Child& c = (*children)[i];
    std::string name = prefix.empty() ? levels[i] : prefix + "\\" + levels[i];
    std::string why;
    if (!CheckItemName(name, c.isFolder, &why))
      return Fail("the archive name of '" + c.hostPath + "' " + why);
    if (!(c.isFolder ? AddFolder(c, name) : AddFile(c, name)))
      return false;
  }
  return true;
}

bool Collector::AddFile(const Child& c, const std::string& name) {
  HostTimes t;
  if (!ReadTimes(c.hostPath, &t))
    return Fail("cannot read the times of '" + c.hostPath + "': " + strerror(errno));
  ArchiveEntry e;
  e.name = name;
  e.creationTime = t.creation;
  e.accessTime = t.access;
  e.writeTime = t.write;
  e.hostPath = c.hostPath;
  entries_->push_back(std::move(e));
  return true;
}

bool Collector::AddFolder(const Child& c, const std::string& name) {
  ArchiveEntry folder;
  folder.name = name;
  folder.isFolder = true;
  entries_->push_back(folder);

  DIR* dir = opendir(c.hostPath.c_str());
  if (!dir) return Fail("cannot open the folder '" + c.hostPath + "': " + strerror(errno));
  std::vector<Child> children;
  bool ok = true;
  errno = 0;
  while (struct dirent* d = readdir(dir)) {
    std::string hostName = d->d_name;
    if (hostName == "." || hostName == "..") continue;
    std::string path = c.hostPath + "/" + hostName;
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) {
      ok = Fail("cannot examine '" + path + "': " + strerror(errno));
      break;
    }
    if (S_ISLNK(st.st_mode))
      Warn("skipped the link '" + path + "'");
    else if (S_ISDIR(st.st_mode))
      children.push_back({hostName, path, true});
    else if (S_ISREG(st.st_mode))
      children.push_back({hostName, path, false});
    else
      Warn("skipped '" + path + "', which is neither a file nor a folder");
    errno = 0;
  }
  if (ok && errno != 0) ok = Fail("cannot list the folder '" + c.hostPath + "': " + strerror(errno));
  closedir(dir);
  return ok && AddSiblings(&children, name);
}

bool Collector::AddTopLevel(const std::vector<std::string>& paths) {
  std::vector<Child> top;
  for (const std::string& path : paths) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0)
      return Fail("cannot find '" + path + "': " + strerror(errno));
    if (!S_ISDIR(st.st_mode) && !S_ISREG(st.st_mode))
      return Fail("'" + path + "' is neither a file nor a folder");
    // The base name as given; "." and ".." (and "dir/.") name the folder
    // they resolve to.
    std::filesystem::path p = std::filesystem::path(path).lexically_normal();
    std::string base = p.filename().string();
    if (base.empty() && p.has_parent_path()) base = p.parent_path().filename().string();
    if (base.empty() || base == "." || base == "..") {
      std::error_code ec;
      std::filesystem::path resolved = std::filesystem::canonical(path, ec);
      base = ec ? "" : resolved.filename().string();
    }
    if (base.empty() || base == "/")
      return Fail("'" + path + "' has no name to store it under");
    std::string hostPath = path;
    while (hostPath.size() > 1 && hostPath.back() == '/') hostPath.pop_back();
    top.push_back({base, hostPath, S_ISDIR(st.st_mode)});
  }
  return AddSiblings(&top, "");
}

}  // namespace

bool CollectEntries(const std::vector<std::string>& paths,
                    std::vector<ArchiveEntry>* entries, std::string* error,
                    std::vector<std::string>* warnings) {
  entries->clear();
  Collector collector(entries, error, warnings);
  if (collector.AddTopLevel(paths)) return true;
  entries->clear();
  return false;
}
