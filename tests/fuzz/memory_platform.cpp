// The platform layer over memory: one program file given by the caller,
// and a map of canonical archive paths to folders and files.
#include "tests/fuzz/memory_platform.h"

#include <stdlib.h>
#include <string.h>

#include <map>
#include <memory>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define CORVANE_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define CORVANE_ASAN 1
#endif
#ifdef CORVANE_ASAN
#include <sanitizer/asan_interface.h>
#define POISON(p, n) ASAN_POISON_MEMORY_REGION(p, n)
#define UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION(p, n)
#else
#define POISON(p, n) ((void)(p), (void)(n))
#define UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace {

// What one entry costs against the quota beyond its name and its bytes.
const size_t kEntryOverhead = 64;
// Open file numbers start here, well away from kNoFile.
const OsFile kFirstFile = 16;

struct Node {
  bool isFolder = false;
  bool readOnly = false;
  std::vector<uint8_t> data;
  FileTime times[3] = {0, 0, 0};
  ~Node();
};

struct OpenFile {
  bool inUse = false;
  bool isProgram = false;
  std::shared_ptr<Node> node;  // kept alive while open, even once deleted
  int64_t pos = 0;
};

struct Store {
  const uint8_t* program = 0;
  size_t programSize = 0;
  size_t quota = kMemoryDefaultQuota;
  size_t used = 0;
  std::map<std::string, std::shared_ptr<Node>> entries;
  std::vector<OpenFile> files;
  int liveAllocs = 0;
  // Blocks handed out, and one freed block kept for the next run (see
  // OsAlloc).
  std::map<void*, size_t> blocks;
  void* spare = 0;
  size_t spareSize = 0;
  int escapes = 0;
  std::map<std::string, int> probes;
  bool failAllocs = false;
  int writes = 0;          // OsWrite calls to files made here
  int writesLeft = -1;     // before they fail; -1: no end
  // The creation times of files removed or replaced, by name: a file that
  // takes such a name gets that time, as NTFS's "tunnelling" gives it.
  std::map<std::string, FileTime> tunnel;
};

Store store;

Node::~Node() { store.used -= data.size(); }

// The canonical form of an archive path and that of its parent folder.
// False (and the escape counted) for a path that starts at a root, holds
// a ".." level or a drive colon (a 0x3A that is the second byte of a
// double-byte character is no colon).
bool Resolve(const char* path, std::string* key, std::string* parent) {
  key->clear();
  parent->clear();
  std::string level;
  bool escapes = *path == '\\' || *path == '/';
  auto endLevel = [&] {
    if (level == "..") escapes = true;
    if (!level.empty() && level != ".") {
      *parent = *key;
      if (!key->empty()) key->push_back('\\');
      key->append(level);
    }
    level.clear();
  };
  for (const char* p = path; *p;) {
    if (*p == '\\' || *p == '/') {
      endLevel();
      p++;
      continue;
    }
    if (*p == ':') escapes = true;  // a colon that starts a character
    const char* next = OsCharNext(p);
    level.append(p, (size_t)(next - p));
    p = next;
  }
  endLevel();
  if (escapes) store.escapes++;
  return !escapes;
}

std::shared_ptr<Node> Find(const std::string& key) {
  auto it = store.entries.find(key);
  return it == store.entries.end() ? nullptr : it->second;
}

bool IsFolder(const std::string& key) {
  if (key.empty()) return true;
  std::shared_ptr<Node> n = Find(key);
  return n && n->isFolder;
}

size_t EntryCost(const std::string& key) { return key.size() + kEntryOverhead; }

// Whether more bytes still fit in the quota (a replace may have left the
// store a little over it).
bool Fits(uint64_t more) { return store.used <= store.quota && more <= store.quota - store.used; }

// A new entry at key, when its parent is a folder and the quota allows.
std::shared_ptr<Node> AddEntry(const std::string& key, const std::string& parent,
                               bool isFolder) {
  if (!IsFolder(parent) || !Fits(EntryCost(key))) return nullptr;
  std::shared_ptr<Node> n = std::make_shared<Node>();
  n->isFolder = isFolder;
  store.entries[key] = n;
  store.used += EntryCost(key);
  return n;
}

void RemoveEntry(const std::string& key) {
  auto it = store.entries.find(key);
  if (it == store.entries.end()) return;
  if (!it->second->isFolder) store.tunnel[key] = it->second->times[0];
  store.entries.erase(it);
  store.used -= EntryCost(key);
}

// A file that has just taken the name key.
void TakeTunnelledTime(const std::string& key, Node* n) {
  auto it = store.tunnel.find(key);
  if (it == store.tunnel.end()) return;
  n->times[0] = it->second;
  store.tunnel.erase(it);
}

OsFile OpenHandle(bool isProgram, std::shared_ptr<Node> node) {
  size_t i = 0;
  while (i < store.files.size() && store.files[i].inUse) i++;
  if (i == store.files.size()) store.files.emplace_back();
  OpenFile& f = store.files[i];
  f.inUse = true;
  f.isProgram = isProgram;
  f.node = std::move(node);
  f.pos = 0;
  return kFirstFile + (OsFile)i;
}

OpenFile* Handle(OsFile f) {
  if (f < kFirstFile || f - kFirstFile >= (OsFile)store.files.size()) return 0;
  OpenFile* o = &store.files[(size_t)(f - kFirstFile)];
  return o->inUse ? o : 0;
}

// The bytes behind an open file.
size_t SizeOf(const OpenFile* o) {
  return o->isProgram ? store.programSize : o->node->data.size();
}

OsFile CreateFileAt(const char* archivePath, bool mustBeNew) {
  std::string key, parent;
  if (!Resolve(archivePath, &key, &parent) || key.empty()) return kNoFile;
  std::shared_ptr<Node> n = Find(key);
  if (n && (mustBeNew || n->isFolder || n->readOnly)) return kNoFile;
  if (n) {
    store.used -= n->data.size();
    n->data.clear();
  } else {
    n = AddEntry(key, parent, false);
    if (!n) return kNoFile;
    TakeTunnelledTime(key, n.get());
  }
  return OpenHandle(false, n);
}

}  // namespace

void MemoryReset(const uint8_t* program, size_t programSize, size_t quota) {
  store.files.clear();
  store.entries.clear();
  store.program = program;
  store.programSize = programSize;
  store.quota = quota;
  store.used = 0;
  store.escapes = 0;
  store.probes.clear();
  store.failAllocs = false;
  store.writes = 0;
  store.writesLeft = -1;
  store.tunnel.clear();
}

bool MemorySetReadOnly(const char* archivePath, bool readOnly) {
  std::string key, parent;
  if (!Resolve(archivePath, &key, &parent)) return false;
  std::shared_ptr<Node> n = Find(key);
  if (!n || n->isFolder) return false;
  n->readOnly = readOnly;
  return true;
}

void MemoryFailAllocs(bool fail) { store.failAllocs = fail; }
void MemoryFailWritesAfter(int writes) { store.writesLeft = writes; }
int MemoryWrites() { return store.writes; }

static MemoryEntry Describe(const std::string& key, const Node& n) {
  MemoryEntry e;
  e.path = key;
  e.isFolder = n.isFolder;
  e.data = n.data;
  e.creationTime = n.times[0];
  e.accessTime = n.times[1];
  e.writeTime = n.times[2];
  return e;
}

bool MemoryLookUp(const char* archivePath, MemoryEntry* out) {
  std::string key, parent;
  int escapes = store.escapes;
  bool ok = Resolve(archivePath, &key, &parent);
  store.escapes = escapes;  // a question of the caller's, not the engine's
  if (!ok) return false;
  if (key.empty()) {
    *out = MemoryEntry();
    out->isFolder = true;
    return true;
  }
  std::shared_ptr<Node> n = Find(key);
  if (!n) return false;
  *out = Describe(key, *n);
  return true;
}

std::vector<MemoryEntry> MemoryEntries() {
  std::vector<MemoryEntry> all;
  for (const auto& kv : store.entries) all.push_back(Describe(kv.first, *kv.second));
  return all;
}

int MemoryOpenFiles() {
  int n = 0;
  for (const OpenFile& f : store.files) n += f.inUse ? 1 : 0;
  return n;
}

int MemoryLiveAllocs() { return store.liveAllocs; }
size_t MemoryBytesUsed() { return store.used; }
int MemoryEscapes() { return store.escapes; }
std::map<std::string, int> MemoryProbes() { return store.probes; }

OsFile OsOpenNative(const char* nativePath) {
  (void)nativePath;  // there is only the one program file
  if (!store.program && store.programSize) return kNoFile;
  return OpenHandle(true, nullptr);
}

OsFile OsCreateFile(OsRoot*, const char* archivePath) { return CreateFileAt(archivePath, false); }

OsFile OsCreateNewFile(OsRoot*, const char* archivePath) { return CreateFileAt(archivePath, true); }

const char* OsTemporaryStem(void) { return "corvane-"; }

bool OsReplaceFile(OsRoot*, const char* fromArchivePath, const char* toArchivePath) {
  std::string from, fromParent, to, toParent;
  if (!Resolve(fromArchivePath, &from, &fromParent) ||
      !Resolve(toArchivePath, &to, &toParent) || from.empty() || to.empty())
    return false;
  std::shared_ptr<Node> n = Find(from);
  std::shared_ptr<Node> old = Find(to);
  if (!n || n->isFolder || IsFolder(to) || !IsFolder(toParent) || (old && old->readOnly))
    return false;
  if (from == to) return true;
  RemoveEntry(to);
  RemoveEntry(from);
  store.tunnel.erase(from);  // moved away, not removed
  store.entries[to] = n;
  store.used += EntryCost(to);
  TakeTunnelledTime(to, n.get());
  return true;
}

bool OsCanReplace(OsRoot*, const char* archivePath) {
  std::string key, parent;
  if (!Resolve(archivePath, &key, &parent) || key.empty()) return false;
  std::shared_ptr<Node> n = Find(key);
  return !n || (!n->isFolder && !n->readOnly);
}

OsFile OsOpenExisting(OsRoot*, const char* archivePath) {
  std::string key, parent;
  if (!Resolve(archivePath, &key, &parent) || key.empty()) return kNoFile;
  std::shared_ptr<Node> n = Find(key);
  if (!n || n->isFolder) return kNoFile;
  return OpenHandle(false, n);
}

bool OsRead(OsFile f, void* buf, int n, int* got) {
  *got = 0;
  OpenFile* o = Handle(f);
  if (!o || n < 0) return false;
  size_t size = SizeOf(o);
  if ((uint64_t)o->pos >= size) return true;
  size_t take = size - (size_t)o->pos;
  if (take > (size_t)n) take = (size_t)n;
  const uint8_t* from = o->isProgram ? store.program : o->node->data.data();
  if (take) memcpy(buf, from + o->pos, take);
  o->pos += (int64_t)take;
  *got = (int)take;
  return true;
}

bool OsWrite(OsFile f, const void* buf, int n, int* put) {
  *put = 0;
  OpenFile* o = Handle(f);
  if (!o || o->isProgram || n < 0) return false;
  store.writes++;
  if (store.writesLeft == 0) return false;
  if (store.writesLeft > 0) store.writesLeft--;
  std::vector<uint8_t>& data = o->node->data;
  uint64_t end = (uint64_t)o->pos + (uint64_t)n;
  uint64_t growth = end > data.size() ? end - data.size() : 0;
  if (!Fits(growth)) return false;
  if (growth) {
    data.resize((size_t)end);
    store.used += (size_t)growth;
  }
  if (n) memcpy(data.data() + o->pos, buf, (size_t)n);
  o->pos = (int64_t)end;
  *put = n;
  return true;
}

bool OsSeek(OsFile f, int64_t offset) {
  OpenFile* o = Handle(f);
  if (!o || offset < 0) return false;
  o->pos = offset;
  return true;
}

int64_t OsTell(OsFile f) {
  OpenFile* o = Handle(f);
  return o ? o->pos : -1;
}

int64_t OsFileSize(OsFile f) {
  OpenFile* o = Handle(f);
  return o ? (int64_t)SizeOf(o) : -1;
}

bool OsSetFileTimes(OsFile f, FileTime creation, FileTime access, FileTime write) {
  OpenFile* o = Handle(f);
  if (!o || o->isProgram) return false;  // the program file is read-only
  o->node->times[0] = creation;
  o->node->times[1] = access;
  o->node->times[2] = write;
  return true;
}

bool OsClose(OsFile f) {
  OpenFile* o = Handle(f);
  if (!o) return false;
  o->inUse = false;
  o->node.reset();
  return true;
}

bool OsDeleteFile(OsRoot*, const char* archivePath) {
  std::string key, parent;
  if (!Resolve(archivePath, &key, &parent) || key.empty()) return false;
  std::shared_ptr<Node> n = Find(key);
  if (!n || n->isFolder || n->readOnly) return false;
  RemoveEntry(key);
  return true;
}

EntryKind OsProbeEntry(OsRoot*, const char* archivePath) {
  std::string key, parent;
  if (!Resolve(archivePath, &key, &parent)) return kEntryNone;
  store.probes[key]++;
  if (key.empty()) return kEntryFolder;
  std::shared_ptr<Node> n = Find(key);
  if (!n) return kEntryNone;
  return n->isFolder ? kEntryFolder : kEntryFile;
}

bool OsCreateFolder(OsRoot*, const char* archivePath) {
  std::string key, parent;
  if (!Resolve(archivePath, &key, &parent) || key.empty() || Find(key)) return false;
  return AddEntry(key, parent, true) != nullptr;
}

const char* OsCharNext(const char* s) {
  uint8_t c = (uint8_t)*s;
  if (c == 0) return s;
  bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
  return (lead && s[1] != 0) ? s + 2 : s + 1;
}

// A fuzz target takes the engine's working set (megabytes) once per input;
// a fresh block of that size each time costs more than the run itself. So
// the last block freed is kept and handed out again for the same size,
// poisoned in between: a use after OsFree still trips the address
// checker.
void* OsAlloc(size_t bytes) {
  if (store.failAllocs) return 0;
  void* p;
  if (store.spare && store.spareSize == bytes) {
    p = store.spare;
    store.spare = 0;
    UNPOISON(p, bytes);
  } else {
    p = malloc(bytes);
    if (!p) return 0;
  }
  store.blocks[p] = bytes;
  store.liveAllocs++;
  return p;
}

void OsFree(void* p) {
  if (!p) return;
  auto it = store.blocks.find(p);
  if (it == store.blocks.end()) abort();  // not a block of OsAlloc's
  size_t bytes = it->second;
  store.blocks.erase(it);
  store.liveAllocs--;
  if (store.spare) {
    UNPOISON(store.spare, store.spareSize);
    free(store.spare);
  }
  POISON(p, bytes);
  store.spare = p;
  store.spareSize = bytes;
}
