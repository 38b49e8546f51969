// The resources of a Windows program image (PE32 or PE32+): read from its
// resource section, and written back into the same section in place.
#ifndef CORVANE_WRITER_PE_RESOURCES_H
#define CORVANE_WRITER_PE_RESOURCES_H

#include <stdint.h>

#include <string>
#include <vector>

// A type, name or language of a resource: a number, or a name (UTF-16,
// as stored) when `name` is not empty.
struct ResourceKey {
  uint16_t id = 0;
  std::u16string name;
};

struct Resource {
  ResourceKey type, name, language;
  uint32_t codePage = 0;
  std::vector<uint8_t> data;
};

const uint16_t kResourceTypeIcon = 3;
const uint16_t kResourceTypeGroupIcon = 14;

// Whether a key names `text` (ASCII), as the loader compares names: without
// regard to case.
bool KeyIsName(const ResourceKey& key, const char* text);

// Reads every resource of the image. Every offset, count and size is
// checked against the file; false with *error on anything that does not
// hold (no PE image, no resource section, a broken tree).
bool ReadResources(const std::vector<uint8_t>& image, std::vector<Resource>* resources,
                   std::string* error);

// Writes the resources as the image's whole resource section, in place:
// the section's raw bytes, its virtual size, the resource directory's
// size and the header's checksum (when the image has one) change; the
// image's length and everything outside the section stay. False with
// *error when the image's resource section cannot be rewritten alone or
// the resources do not fit in it (*error then says how many bytes they
// need and the section has). The image is untouched on failure.
bool WriteResources(const std::vector<Resource>& resources, std::vector<uint8_t>* image,
                    std::string* error);

// The checksum field of a PE header: the 16-bit ones'-complement-style sum
// of the image (the field itself taken as zero) plus its length.
uint32_t PeChecksum(const std::vector<uint8_t>& image, size_t checksumOffset);

#endif
