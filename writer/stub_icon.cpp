// The stub's icon group "main_icon" given new images, made from the
// maker's pictures at the sizes and depths the group holds.
#include "writer/stub_icon.h"

#include <algorithm>

#include "writer/icon_convert.h"
#include "writer/pe_resources.h"

namespace {

const char kGroupName[] = "main_icon";
// An icon group: reserved 0, type 1, the count, then 14 bytes an image.
const size_t kGroupHeader = 6, kGroupEntry = 14;

uint16_t Get16(const std::vector<uint8_t>& b, size_t at) { return b[at] | b[at + 1] << 8; }
void Put16(std::vector<uint8_t>* b, size_t at, uint16_t v) {
  (*b)[at] = v & 0xFF;
  (*b)[at + 1] = v >> 8;
}
void Put32(std::vector<uint8_t>* b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; i++) (*b)[at + i] = (v >> (8 * i)) & 0xFF;
}

// Writes an entry of an icon group for an image of these measures.
void SetGroupEntry(std::vector<uint8_t>* group, size_t at, int width, int height, int bitCount,
                   size_t bytes, uint16_t id) {
  (*group)[at] = width >= 256 ? 0 : width;
  (*group)[at + 1] = height >= 256 ? 0 : height;
  (*group)[at + 2] = bitCount < 8 ? 1 << bitCount : 0;
  (*group)[at + 3] = 0;
  Put16(group, at + 4, 1);
  Put16(group, at + 6, bitCount);
  Put32(group, at + 8, bytes);
  Put16(group, at + 12, id);
}

// The depth of an icon group's image: its own field, or, where that is
// zero, the depth its bitmap header gives.
int BitCountOf(const std::vector<uint8_t>& group, size_t entry, const Resource* image) {
  int bits = Get16(group, entry + 6);
  if (bits == 0 && image && image->data.size() >= 16) bits = Get16(image->data, 14);
  return bits;
}

// Gives one group new images; false with *error on a broken group or a
// depth that cannot be made.
bool RedrawGroup(const std::vector<RgbaImage>& pictures, Resource* group,
                 std::vector<Resource>* resources, bool addSmall, std::string* error) {
  std::vector<uint8_t>& g = group->data;
  if (g.size() < kGroupHeader || Get16(g, 0) != 0 || Get16(g, 2) != 1 || Get16(g, 4) == 0 ||
      g.size() < kGroupHeader + kGroupEntry * Get16(g, 4)) {
    *error = "has a broken icon group \"main_icon\"";
    return false;
  }
  size_t count = Get16(g, 4);
  bool hasSmall = false;
  int firstBits = 0;
  for (size_t i = 0; i < count; i++) {
    size_t at = kGroupHeader + kGroupEntry * i;
    int width = g[at] ? g[at] : 256, height = g[at + 1] ? g[at + 1] : 256;
    uint16_t id = Get16(g, at + 12);
    std::vector<Resource*> images;
    for (Resource& r : *resources)
      if (r.type.name.empty() && r.type.id == kResourceTypeIcon && r.name.name.empty() && r.name.id == id)
        images.push_back(&r);
    if (images.empty()) {
      *error = "has an icon group \"main_icon\" that names an image it does not hold";
      return false;
    }
    int bits = BitCountOf(g, at, images[0]);
    std::vector<uint8_t> made = MakeIconImage(BestPictureFor(pictures, width, height), width, height, bits);
    if (made.empty()) {
      *error = "holds a \"main_icon\" image of " + std::to_string(bits) +
               " bits per pixel, which corvane does not make";
      return false;
    }
    for (Resource* r : images) r->data = made;
    SetGroupEntry(&g, at, width, height, bits, made.size(), id);
    hasSmall |= width == 16 && height == 16;
    if (i == 0) firstBits = bits;
  }
  if (!addSmall || hasSmall) return true;
  uint16_t id = 0;
  for (const Resource& r : *resources)
    if (r.type.name.empty() && r.type.id == kResourceTypeIcon && r.name.name.empty())
      id = std::max(id, r.name.id);
  if (id == 0xFFFF) return true;
  Resource small;
  small.type.id = kResourceTypeIcon;
  small.name.id = id + 1;
  small.language = group->language;
  small.data = MakeIconImage(BestPictureFor(pictures, 16, 16), 16, 16, firstBits);
  Put16(&g, 4, count + 1);
  g.resize(kGroupHeader + kGroupEntry * (count + 1));
  SetGroupEntry(&g, kGroupHeader + kGroupEntry * count, 16, 16, firstBits, small.data.size(), id + 1);
  resources->push_back(small);
  return true;
}

// The stub's resources with every "main_icon" group redrawn.
bool Redraw(const std::vector<RgbaImage>& pictures, std::vector<Resource> resources, bool addSmall,
            std::vector<uint8_t>* stub, std::string* error) {
  bool found = false;
  for (size_t i = 0; i < resources.size(); i++) {
    // By index: a new image may be added to the list as it is walked.
    if (!(resources[i].type.name.empty() && resources[i].type.id == kResourceTypeGroupIcon &&
          KeyIsName(resources[i].name, kGroupName)))
      continue;
    Resource group = resources[i];
    if (!RedrawGroup(pictures, &group, &resources, addSmall, error)) return false;
    resources[i] = group;
    found = true;
  }
  if (!found) {
    *error = "has no icon group \"main_icon\"";
    return false;
  }
  return WriteResources(resources, stub, error);
}

}  // namespace

bool ReplaceStubIcon(const std::vector<RgbaImage>& pictures, std::vector<uint8_t>* stub,
                     std::string* error) {
  std::vector<Resource> resources;
  if (!ReadResources(*stub, &resources, error)) return false;
  std::vector<uint8_t> withSmall = *stub;
  std::string ignored;
  if (Redraw(pictures, resources, true, &withSmall, &ignored)) {
    *stub = withSmall;
    return true;
  }
  return Redraw(pictures, resources, false, stub, error);
}
