// The resources of a Windows program image: the resource tree read with
// every offset checked, and laid out anew in its own section.
#include "writer/pe_resources.h"

#include <algorithm>
#include <map>

namespace {

// The resource tree has three levels: type, name, language.
const int kTreeLevels = 3;
// More entries than any program carries; a bound on what a hostile tree
// can make us allocate.
const size_t kMostEntries = 4096;
const int kResourceDirectory = 2;

uint16_t Get16(const std::vector<uint8_t>& b, size_t at) { return b[at] | b[at + 1] << 8; }
uint32_t Get32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | (uint32_t)b[at + 3] << 24;
}
void Put16(std::vector<uint8_t>* b, size_t at, uint16_t v) {
  (*b)[at] = v & 0xFF;
  (*b)[at + 1] = v >> 8;
}
void Put32(std::vector<uint8_t>* b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; i++) (*b)[at + i] = (v >> (8 * i)) & 0xFF;
}

// Whether [at, at + length) lies within `size` bytes.
bool Holds(size_t size, uint64_t at, uint64_t length) { return at <= size && length <= size - at; }

struct Section {
  uint32_t virtualSize, virtualAddress, rawSize, rawOffset;
  size_t headerOffset;  // of its entry in the section table
};

// What the headers say, checked to lie within the file.
struct PeLayout {
  size_t checksumOffset;
  size_t directoriesOffset;  // the data directories
  uint32_t directoryCount;
  uint32_t sizeOfImage;
  std::vector<Section> sections;
};

bool ReadLayout(const std::vector<uint8_t>& image, PeLayout* pe, std::string* error) {
  *error = "is no Windows program (no PE header)";
  if (!Holds(image.size(), 0, 64) || image[0] != 'M' || image[1] != 'Z') return false;
  uint32_t peAt = Get32(image, 0x3C);
  if (!Holds(image.size(), peAt, 24) || Get32(image, peAt) != 0x00004550) return false;
  uint16_t sectionCount = Get16(image, peAt + 6);
  uint16_t optionalSize = Get16(image, peAt + 20);
  size_t optionalAt = peAt + 24;
  if (!Holds(image.size(), optionalAt, optionalSize) || optionalSize < 2) return false;
  uint16_t magic = Get16(image, optionalAt);
  size_t directoriesAt;
  if (magic == 0x10B) {
    directoriesAt = 96;
  } else if (magic == 0x20B) {
    directoriesAt = 112;
  } else {
    return false;
  }
  if (optionalSize < directoriesAt) return false;
  pe->checksumOffset = optionalAt + 64;
  pe->sizeOfImage = Get32(image, optionalAt + 56);
  pe->directoryCount = Get32(image, optionalAt + directoriesAt - 4);
  pe->directoriesOffset = optionalAt + directoriesAt;
  if (pe->directoryCount > (optionalSize - directoriesAt) / 8) return false;
  size_t tableAt = optionalAt + optionalSize;
  if (!Holds(image.size(), tableAt, (uint64_t)sectionCount * 40)) return false;
  for (uint16_t i = 0; i < sectionCount; i++) {
    size_t at = tableAt + 40 * (size_t)i;
    pe->sections.push_back(
        {Get32(image, at + 8), Get32(image, at + 12), Get32(image, at + 16), Get32(image, at + 20), at});
  }
  error->clear();
  return true;
}

// The section whose raw bytes hold [rva, rva + length), or null.
const Section* SectionHolding(const PeLayout& pe, uint32_t rva, uint32_t length) {
  for (const Section& s : pe.sections)
    if (rva >= s.virtualAddress && Holds(s.rawSize, rva - s.virtualAddress, length)) return &s;
  return nullptr;
}

// Reads the resource tree from the start of its section, checking every
// offset against the section's raw bytes in the file.
class TreeReader {
 public:
  TreeReader(const std::vector<uint8_t>& image, const PeLayout& pe, size_t base, size_t extent)
      : image_(image), pe_(pe), base_(base), extent_(extent) {}

  bool Read(std::vector<Resource>* out, std::string* error) {
    Resource path;
    if (ReadDirectory(0, 0, &path, out)) return true;
    *error = "has a broken resource section (" + why_ + ")";
    return false;
  }

 private:
  bool Fail(const char* why) {
    why_ = why;
    return false;
  }

  bool ReadKey(uint32_t field, ResourceKey* key) {
    key->name.clear();
    key->id = 0;
    if (!(field & 0x80000000u)) {
      if (field > 0xFFFF) return Fail("a number above 65535");
      key->id = field;
      return true;
    }
    uint32_t at = field & 0x7FFFFFFF;
    if (!Holds(extent_, at, 2)) return Fail("a name outside the section");
    uint16_t length = Get16(image_, base_ + at);
    if (length == 0 || !Holds(extent_, at + 2, 2 * (uint64_t)length))
      return Fail("a name outside the section");
    for (uint16_t i = 0; i < length; i++) key->name += (char16_t)Get16(image_, base_ + at + 2 + 2 * i);
    return true;
  }

  bool ReadDirectory(uint32_t at, int level, Resource* path, std::vector<Resource>* out) {
    if (!Holds(extent_, at, 16)) return Fail("a directory outside the section");
    uint32_t count = Get16(image_, base_ + at + 12) + (uint32_t)Get16(image_, base_ + at + 14);
    if (!Holds(extent_, at + 16, 8 * (uint64_t)count)) return Fail("a directory outside the section");
    for (uint32_t i = 0; i < count; i++) {
      if (++entriesSeen_ > kMostEntries) return Fail("too many entries");
      size_t entry = base_ + at + 16 + 8 * i;
      ResourceKey* key = level == 0 ? &path->type : level == 1 ? &path->name : &path->language;
      if (!ReadKey(Get32(image_, entry), key)) return false;
      uint32_t target = Get32(image_, entry + 4);
      bool isDirectory = target & 0x80000000u;
      if (isDirectory != (level + 1 < kTreeLevels)) return Fail("a tree not three levels deep");
      target &= 0x7FFFFFFF;
      if (isDirectory ? !ReadDirectory(target, level + 1, path, out) : !ReadData(target, *path, out))
        return false;
    }
    return true;
  }

  bool ReadData(uint32_t at, const Resource& path, std::vector<Resource>* out) {
    if (!Holds(extent_, at, 16)) return Fail("a data entry outside the section");
    uint32_t rva = Get32(image_, base_ + at), size = Get32(image_, base_ + at + 4);
    const Section* s = SectionHolding(pe_, rva, size);
    if (!s || !Holds(image_.size(), s->rawOffset + (uint64_t)(rva - s->virtualAddress), size))
      return Fail("resource data outside the file");
    size_t from = s->rawOffset + (rva - s->virtualAddress);
    out->push_back(path);
    out->back().codePage = Get32(image_, base_ + at + 8);
    out->back().data.assign(image_.begin() + from, image_.begin() + from + size);
    return true;
  }

  const std::vector<uint8_t>& image_;
  const PeLayout& pe_;
  size_t base_, extent_;
  size_t entriesSeen_ = 0;
  std::string why_;
};

// The resource section: the one that starts with the resource directory.
// Null with *error when there is none, or when its bytes are not the
// resources' alone.
const Section* ResourceSection(const std::vector<uint8_t>& image, const PeLayout& pe,
                               std::string* error) {
  if (pe.directoryCount <= kResourceDirectory ||
      Get32(image, pe.directoriesOffset + 8 * kResourceDirectory + 4) == 0) {
    *error = "has no resources";
    return nullptr;
  }
  uint32_t rva = Get32(image, pe.directoriesOffset + 8 * kResourceDirectory);
  for (const Section& s : pe.sections) {
    if (s.virtualAddress != rva) continue;
    if (!Holds(image.size(), s.rawOffset, s.rawSize) || s.rawSize < 16) break;
    // No other directory (imports, relocations, ...) may lie in it.
    for (uint32_t d = 0; d < pe.directoryCount; d++) {
      uint32_t start = Get32(image, pe.directoriesOffset + 8 * d);
      uint32_t size = Get32(image, pe.directoriesOffset + 8 * d + 4);
      // The certificate table's address is a file offset, not an address.
      const int kCertificates = 4;
      if (d == kResourceDirectory || d == kCertificates || size == 0) continue;
      if ((uint64_t)start < (uint64_t)s.virtualAddress + std::max(s.virtualSize, s.rawSize) &&
          (uint64_t)start + size > s.virtualAddress) {
        *error = "shares its resource section with other data";
        return nullptr;
      }
    }
    return &s;
  }
  *error = "has a broken resource section (no section starts with it)";
  return nullptr;
}

// Names first, in the loader's order (ordinal, as upper case), then
// numbers, ascending.
bool KeyBefore(const ResourceKey& a, const ResourceKey& b) {
  if (a.name.empty() != b.name.empty()) return !a.name.empty();
  if (a.name.empty()) return a.id < b.id;
  auto upper = [](char16_t c) { return (c >= 'a' && c <= 'z') ? (char16_t)(c - 32) : c; };
  return std::lexicographical_compare(a.name.begin(), a.name.end(), b.name.begin(), b.name.end(),
                                      [&](char16_t x, char16_t y) { return upper(x) < upper(y); });
}

size_t AlignUp(size_t n, size_t to) { return (n + to - 1) / to * to; }

// A directory of the laid-out tree: the resources [first, last) (sorted)
// agree on the levels above it; one entry per distinct key at its level.
struct PlannedDirectory {
  size_t first, last;
  int level;
  std::vector<size_t> starts;    // the first resource of each entry
  std::vector<size_t> children;  // each entry's directory (levels 0 and 1)
  size_t offset = 0;
};

const ResourceKey& KeyAt(const Resource& r, int level) {
  return level == 0 ? r.type : level == 1 ? r.name : r.language;
}

bool SameKey(const ResourceKey& a, const ResourceKey& b) { return a.id == b.id && a.name == b.name; }

// Plans the directory over [first, last) and, depth first, those below it.
size_t Plan(const std::vector<Resource>& resources, size_t first, size_t last, int level,
            std::vector<PlannedDirectory>* plan) {
  size_t self = plan->size();
  plan->push_back({first, last, level, {}, {}});
  for (size_t i = first; i < last;) {
    size_t j = i + 1;
    while (j < last && SameKey(KeyAt(resources[j], level), KeyAt(resources[i], level))) j++;
    (*plan)[self].starts.push_back(i);
    if (level + 1 < kTreeLevels) {
      size_t child = Plan(resources, i, j, level + 1, plan);
      (*plan)[self].children.push_back(child);
    }
    i = j;
  }
  return self;
}

// Lays the resources out as a resource section at address `rva`, as the
// linker does: the directories depth first, the names, then 8-aligned the
// data entries and each datum; the whole a multiple of 8 bytes.
std::vector<uint8_t> LayOut(std::vector<Resource> resources, uint32_t rva) {
  std::stable_sort(resources.begin(), resources.end(), [](const Resource& a, const Resource& b) {
    for (int level = 0; level < kTreeLevels; level++) {
      if (KeyBefore(KeyAt(a, level), KeyAt(b, level))) return true;
      if (KeyBefore(KeyAt(b, level), KeyAt(a, level))) return false;
    }
    return false;
  });
  std::vector<PlannedDirectory> plan;
  Plan(resources, 0, resources.size(), 0, &plan);
  size_t size = 0;
  for (PlannedDirectory& dir : plan) {
    dir.offset = size;
    size += 16 + 8 * dir.starts.size();
  }
  std::map<std::u16string, size_t> names;
  for (const Resource& r : resources)
    for (int level = 0; level < kTreeLevels; level++) {
      const std::u16string& name = KeyAt(r, level).name;
      if (!name.empty() && !names.count(name)) {
        names[name] = size;
        size += 2 + 2 * name.size();
      }
    }
  size_t dataEntries = size = AlignUp(size, 8);
  size += 16 * resources.size();
  std::vector<size_t> dataAt;
  for (const Resource& r : resources) {
    size = AlignUp(size, 8);
    dataAt.push_back(size);
    size += r.data.size();
  }

  std::vector<uint8_t> out(AlignUp(size, 8), 0);
  for (const PlannedDirectory& dir : plan) {
    uint16_t named = 0;
    for (size_t s : dir.starts) named += !KeyAt(resources[s], dir.level).name.empty();
    Put16(&out, dir.offset + 12, named);
    Put16(&out, dir.offset + 14, dir.starts.size() - named);
    for (size_t e = 0; e < dir.starts.size(); e++) {
      const ResourceKey& key = KeyAt(resources[dir.starts[e]], dir.level);
      size_t entry = dir.offset + 16 + 8 * e;
      Put32(&out, entry, key.name.empty() ? key.id : (0x80000000u | names[key.name]));
      Put32(&out, entry + 4,
            dir.level + 1 < kTreeLevels ? 0x80000000u | plan[dir.children[e]].offset
                                        : dataEntries + 16 * dir.starts[e]);
    }
  }
  for (const auto& [name, at] : names) {
    Put16(&out, at, name.size());
    for (size_t i = 0; i < name.size(); i++) Put16(&out, at + 2 + 2 * i, name[i]);
  }
  for (size_t i = 0; i < resources.size(); i++) {
    Put32(&out, dataEntries + 16 * i, rva + dataAt[i]);
    Put32(&out, dataEntries + 16 * i + 4, resources[i].data.size());
    Put32(&out, dataEntries + 16 * i + 8, resources[i].codePage);
    std::copy(resources[i].data.begin(), resources[i].data.end(), out.begin() + dataAt[i]);
  }
  return out;
}

}  // namespace

bool KeyIsName(const ResourceKey& key, const char* text) {
  size_t i = 0;
  for (; text[i]; i++) {
    if (i >= key.name.size()) return false;
    char16_t c = key.name[i];
    if (c >= 'a' && c <= 'z') c -= 32;
    char t = text[i];
    if (t >= 'a' && t <= 'z') t -= 32;
    if (c != (char16_t)(unsigned char)t) return false;
  }
  return i == key.name.size() && i > 0;
}

bool ReadResources(const std::vector<uint8_t>& image, std::vector<Resource>* resources,
                   std::string* error) {
  PeLayout pe;
  if (!ReadLayout(image, &pe, error)) return false;
  const Section* s = ResourceSection(image, pe, error);
  if (!s) return false;
  resources->clear();
  return TreeReader(image, pe, s->rawOffset, s->rawSize).Read(resources, error);
}

bool WriteResources(const std::vector<Resource>& resources, std::vector<uint8_t>* image,
                    std::string* error) {
  PeLayout pe;
  if (!ReadLayout(*image, &pe, error)) return false;
  const Section* s = ResourceSection(*image, pe, error);
  if (!s) return false;
  // The section may grow up to its raw bytes and up to the next section's
  // address (or the image's end), whichever is nearer.
  uint64_t room = s->rawSize;
  uint64_t next = pe.sizeOfImage;
  for (const Section& other : pe.sections)
    if (other.virtualAddress > s->virtualAddress) next = std::min<uint64_t>(next, other.virtualAddress);
  room = std::min(room, next > s->virtualAddress ? next - s->virtualAddress : 0);
  std::vector<uint8_t> section = LayOut(resources, s->virtualAddress);
  if (section.size() > room) {
    *error = "has room for " + std::to_string(room) + " bytes of resources, and these need " +
             std::to_string(section.size());
    return false;
  }
  std::fill(image->begin() + s->rawOffset, image->begin() + s->rawOffset + s->rawSize, 0);
  std::copy(section.begin(), section.end(), image->begin() + s->rawOffset);
  Put32(image, s->headerOffset + 8, section.size());
  Put32(image, pe.directoriesOffset + 8 * kResourceDirectory + 4, section.size());
  if (Get32(*image, pe.checksumOffset) != 0)
    Put32(image, pe.checksumOffset, PeChecksum(*image, pe.checksumOffset));
  return true;
}

uint32_t PeChecksum(const std::vector<uint8_t>& image, size_t checksumOffset) {
  uint64_t sum = 0;
  for (size_t i = 0; i < image.size(); i += 2) {
    if (i >= checksumOffset && i < checksumOffset + 4) continue;
    uint32_t word = image[i] | (i + 1 < image.size() ? image[i + 1] << 8 : 0);
    sum += word;
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  sum = (sum & 0xFFFF) + (sum >> 16);
  return (uint32_t)sum + (uint32_t)image.size();
}
