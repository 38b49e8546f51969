// Every item's name made in memory as extract would make it.
#include "cli/name_check.h"

#include <errno.h>
#include <string.h>

#include <vector>

#include "engine/extraction.h"
#include "paths/folder_chain.h"
#include "paths/path_utils.h"
#include "platform/host_platform.h"

bool EndsWithSeparator(const std::string& archivePath) {
  const char* last = archivePath.c_str();
  for (const char* p = archivePath.c_str(); *p; p = OsCharNext(p)) last = p;
  return *last == '\\' || *last == '/';
}

OutputSink NameCheck::Sink() {
  OutputSink s = {this,
                  &Folder,
                  &BeginFile,
                  [](void*, const uint8_t*, int32_t) { return true; },
                  [](void*, Extraction*) { return kExtractFinished; },
                  [](void*, Extraction*) {}};
  return s;
}

bool NameCheck::HostKey(const std::string& archivePath, std::string* key, bool* trailing) const {
  std::vector<char>& host = host_;
  host.resize(16384);
  int n = MapArchivePath(archivePath.c_str(), host.data(), (int)host.size());
  if (n < 0) {
    error_ = n == -1 ? EILSEQ : ENAMETOOLONG;
    return false;
  }
  // Below the destination nothing starts at the root, nor climbs.
  if (n > 0 && host[0] == '/') {
    error_ = EPERM;
    return false;
  }
  *trailing = n > 1 && host[(size_t)n - 1] == '/';
  key->clear();
  size_t start = 0;
  for (size_t i = 0; i <= (size_t)n; i++) {
    if (i < (size_t)n && host[i] != '/') continue;
    std::string part(host.data() + start, i - start);
    start = i + 1;
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      error_ = EPERM;
      return false;
    }
    // Each level is one name to the file system, which holds no longer one.
    if (!HostTakesLevel(part)) {
      error_ = ENAMETOOLONG;
      return false;
    }
    if (!key->empty()) *key += '/';
    *key += part;
  }
  return true;
}

bool NameCheck::ParentsAreFolders(const std::string& key) const {
  // What was a folder stays one: the files of one folder check it once.
  size_t last = key.rfind('/');
  if (last == std::string::npos) return true;
  if (last == foldersUpTo_.size() && key.compare(0, last, foldersUpTo_) == 0) return true;
  for (size_t slash = key.find('/'); slash != std::string::npos; slash = key.find('/', slash + 1)) {
    auto it = made_.find(key.substr(0, slash));
    if (it == made_.end() || it->second != kEntryFolder) {
      error_ = it == made_.end() ? ENOENT : ENOTDIR;
      return false;
    }
  }
  foldersUpTo_.assign(key, 0, last);
  return true;
}

EntryKind NameCheck::Probe(const std::string& archivePath) const {
  // As the platform answers: a name that ends with a separator is nothing.
  if (EndsWithSeparator(archivePath)) return kEntryNone;
  std::string key;
  bool trailing;
  if (!HostKey(archivePath, &key, &trailing)) return kEntryNone;
  if (key.empty()) return kEntryFolder;  // the destination
  if (!ParentsAreFolders(key)) return kEntryNone;
  auto it = made_.find(key);
  return it == made_.end() ? kEntryNone : it->second;
}

bool NameCheck::MakeFolder(const std::string& archivePath) {
  std::string key;
  bool trailing;
  if (!HostKey(archivePath, &key, &trailing) || !ParentsAreFolders(key)) return false;
  if (key.empty() || made_.count(key)) {
    error_ = EEXIST;
    return false;
  }
  made_[key] = kEntryFolder;
  return true;
}

bool NameCheck::MakeFile(const std::string& archivePath) {
  std::string key;
  bool trailing;
  if (!HostKey(archivePath, &key, &trailing) || !ParentsAreFolders(key)) return false;
  auto it = made_.find(key);
  if (trailing || key.empty() || (it != made_.end() && it->second == kEntryFolder)) {
    error_ = EISDIR;
    return false;
  }
  made_[key] = kEntryFile;
  return true;
}

// The walk of MakeFolderChain (paths/folder_chain.cpp): every prefix in
// front of a separator found by the character step, except the empty one
// and a drive, is found as a folder or made one; as extraction does, from
// where the path leaves the chain walked last.
int NameCheck::Chain(const std::string& folderPath) {
  const char* path = folderPath.c_str();
  const char* previous = 0;
  const char* p = path + RootLength(path);
  int known = KnownFolderPrefix(path, walked_.c_str());
  if (p < path + known) p = path + known;
  if (p > path) previous = p - 1;
  while (*p) {
    while (*p && *p != '\\') {
      previous = p;
      p = OsCharNext(p);
    }
    if (*p == 0) break;
    if (previous && *previous != ':') {
      std::string prefix(path, p);
      EntryKind kind = Probe(prefix);
      bool ok = kind == kEntryFolder ||
                (kind == kEntryNone && (MakeFolder(prefix) || Probe(prefix) == kEntryFolder));
      if (!ok) return (int)(p - path);
    }
    previous = p;
    p++;
  }
  walked_ = folderPath;
  return 0;
}

ExtractResult NameCheck::ChainOf(Extraction* x, int length) {
  int failed = Chain(std::string(x->fullPath, (size_t)length));
  if (failed == 0) return kExtractFinished;
  memcpy(x->failedPrefix, x->fullPath, (size_t)failed);
  x->failedPrefix[failed] = 0;
  return kExtractFolderFailed;
}

ExtractResult NameCheck::Folder(void* self, Extraction* x) {
  return ((NameCheck*)self)->ChainOf(x, x->fullPathLen - 1);
}

// As extract: the probe, the folders above, the file. Where something is
// in the way already (an earlier item of the same name), extract asks,
// and what follows depends on the answer: nothing is made of it here.
ExtractResult NameCheck::BeginFile(void* self, Extraction* x) {
  NameCheck* check = (NameCheck*)self;
  HostShowStatus(x, kStatusExamining);
  x->skipping = true;
  HostShowStatus(x, kStatusSkipping);
  EntryKind there = check->Probe(x->fullPath);
  ExtractResult res = check->ChainOf(x, FolderPartOf(x->fullPath));
  if (res != kExtractFinished) return res;
  if (there == kEntryNone && !check->MakeFile(x->fullPath)) return kExtractWriteFailed;
  return kExtractFinished;
}
