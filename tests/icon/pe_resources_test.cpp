// The resource section of program images: read and laid out again as the
// linker lays it, on hand-made and hostile images alike.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <tuple>

#include "tests/icon/icon_fixtures.h"
#include "tests/test_files.h"
#include "writer/pe_resources.h"

namespace {

uint32_t Get32(const Bytes& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | (uint32_t)b[at + 3] << 24;
}

void PutLE32(Bytes* b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; i++) (*b)[at + i] = (v >> (8 * i)) & 0xFF;
}

// Where the checksum of a ProgramImage is.
const size_t kChecksumAt = 0x40 + 24 + 64;

Resource Named(uint16_t type, const std::u16string& name, uint16_t language, const std::string& data) {
  Resource r;
  r.type.id = type;
  r.name.name = name;
  r.language.id = language;
  r.codePage = 1252;
  r.data.assign(data.begin(), data.end());
  return r;
}

Resource Numbered(const std::u16string& type, uint16_t id, uint16_t language, const std::string& data) {
  Resource r;
  r.type.name = type;
  r.name.id = id;
  r.language.id = language;
  r.data.assign(data.begin(), data.end());
  return r;
}

void ExpectSameResources(std::vector<Resource> a, std::vector<Resource> b) {
  auto key = [](const Resource& r) {
    return std::make_tuple(r.type.name, r.type.id, r.name.name, r.name.id, r.language.id);
  };
  auto byKey = [&](const Resource& x, const Resource& y) { return key(x) < key(y); };
  std::sort(a.begin(), a.end(), byKey);
  std::sort(b.begin(), b.end(), byKey);
  ASSERT_EQ(a.size(), b.size());
  for (size_t i = 0; i < a.size(); i++) {
    EXPECT_EQ(key(a[i]), key(b[i])) << i;
    EXPECT_EQ(a[i].codePage, b[i].codePage) << i;
    EXPECT_EQ(a[i].data, b[i].data) << i;
  }
}

TEST(PeResources, BuiltStubLaidOutAgainIsTheSameBytes) {
#ifndef STUB_FILE
  GTEST_SKIP() << "built without the Windows stub";
#else
  Bytes stub = ReadFileBytes(STUB_FILE);
  std::vector<Resource> resources;
  std::string error;
  ASSERT_TRUE(ReadResources(stub, &resources, &error)) << error;
  ASSERT_EQ(resources.size(), 2u);
  EXPECT_EQ(resources[0].type.id, kResourceTypeIcon);
  EXPECT_EQ(resources[0].data.size(), 744u);  // 32 by 32, 16 colours, with its mask
  EXPECT_EQ(resources[1].type.id, kResourceTypeGroupIcon);
  EXPECT_TRUE(KeyIsName(resources[1].name, "main_icon"));
  Bytes again = stub;
  ASSERT_TRUE(WriteResources(resources, &again, &error)) << error;
  // The same layout as the linker's, and the checksum the linker wrote.
  EXPECT_EQ(again, stub);
#endif
}

TEST(PeResources, NamesNumbersAndLanguagesComeBackInBothImageKinds) {
  std::vector<Resource> resources = {
      Named(14, u"MAIN_ICON", 1033, "group"),
      Named(14, u"ANOTHER", 1041, "second group"),
      Named(14, u"ANOTHER", 1033, "its other language"),
      Numbered(u"CUSTOM", 7, 0, std::string("\0with zero bytes\0", 17)),
      Numbered(u"custom2", 7, 0, ""),
  };
  Resource icon;
  icon.type.id = 3;
  icon.name.id = 1;
  icon.language.id = 1033;
  icon.data.assign(300, 0xAB);
  resources.push_back(icon);
  for (bool plus : {false, true}) {
    Bytes image = ProgramImage(resources, 2048, plus);
    std::vector<Resource> back;
    std::string error;
    ASSERT_TRUE(ReadResources(image, &back, &error)) << error;
    ExpectSameResources(resources, back);
    EXPECT_EQ(image.size(), 0x200u + 2048);
    EXPECT_EQ(Get32(image, kChecksumAt), PeChecksum(image, kChecksumAt));
  }
}

TEST(PeResources, ResourcesThatDoNotFitLeaveTheImageAsItWas) {
  std::vector<Resource> resources = MainIconGroup(32, 4);
  Bytes image = ProgramImage(resources, 1024);
  Resource big = resources[0];
  big.name.id = 2;
  resources.push_back(big);
  Bytes before = image;
  std::string error;
  EXPECT_FALSE(WriteResources(resources, &image, &error));
  EXPECT_EQ(error.rfind("has room for 1024 bytes of resources, and these need ", 0), 0u) << error;
  EXPECT_EQ(image, before);
}

// Offsets of the first resource tree of a ProgramImage (one type, one
// name, one language), from the start of its section.
const size_t kSectionAt = 0x200;

TEST(PeResources, BrokenImagesAreRefusedByWhatIsWrong) {
  Bytes good = ProgramImage(MainIconGroup(32, 4), 1024);
  std::vector<Resource> resources;
  std::string error;
  ASSERT_TRUE(ReadResources(good, &resources, &error)) << error;
  struct Case {
    const char* what;
    std::function<void(Bytes*)> spoil;
    const char* error;
  } cases[] = {
      {"no MZ", [](Bytes* b) { (*b)[0] = 'X'; }, "is no Windows program (no PE header)"},
      {"PE header beyond the end", [](Bytes* b) { PutLE32(b, 0x3C, 0x7FFFFFF0); },
       "is no Windows program (no PE header)"},
      {"too many sections", [](Bytes* b) { (*b)[0x46] = 0xFF, (*b)[0x47] = 0xFF; },
       "is no Windows program (no PE header)"},
      {"no resource directory", [](Bytes* b) { PutLE32(b, 0x40 + 24 + 96 + 20, 0); },
       "has no resources"},
      {"resources in no section's start", [](Bytes* b) { PutLE32(b, 0x40 + 24 + 96 + 16, 0x1010); },
       "has a broken resource section (no section starts with it)"},
      {"relocations inside the resource section",
       [](Bytes* b) {
         PutLE32(b, 0x40 + 24 + 96 + 40, 0x1100);
         PutLE32(b, 0x40 + 24 + 96 + 44, 8);
       },
       "shares its resource section with other data"},
      {"a type directory pointing back at the root",
       [](Bytes* b) { PutLE32(b, kSectionAt + 16 + 4, 0x80000000u); },
       "has a broken resource section (a tree not three levels deep)"},
      {"entries past the section", [](Bytes* b) { (*b)[kSectionAt + 14] = 0xFF; },
       "has a broken resource section (a directory outside the section)"},
      {"data beyond the file",
       [](Bytes* b) {
         // The data entries follow the root (two types), four
         // directories of one entry each and the name, 8-aligned.
         PutLE32(b, kSectionAt + (16 + 2 * 8 + 4 * (16 + 8) + 2 + 2 * 9 + 7) / 8 * 8, 0x7FFFFFFF);
       },
       "has a broken resource section (resource data outside the file)"},
  };
  for (const Case& c : cases) {
    Bytes image = good;
    c.spoil(&image);
    EXPECT_FALSE(ReadResources(image, &resources, &error)) << c.what;
    EXPECT_EQ(error, c.error) << c.what;
  }
}

// Any bytes in the headers and the resource section: read without a fault
// (the sanitizer build watches every access), and what reads is laid out
// again within the image's length.
TEST(PeResources, MangledImagesNeverFault) {
  std::vector<Bytes> seeds = {ProgramImage(MainIconGroup(32, 4), 1024),
                              ProgramImage(MainIconGroup(16, 8), 2048, true)};
#ifdef STUB_FILE
  seeds.push_back(ReadFileBytes(STUB_FILE));
#endif
  std::mt19937 random(1234);
  int read = 0;
  for (int round = 0; round < 6000; round++) {
    Bytes image = seeds[round % seeds.size()];
    size_t rsrc = image.size() > 26000 ? 0x5E00 : 0x200;
    int flips = 1 + random() % 4;
    for (int i = 0; i < flips; i++) {
      size_t at = random() % 2 ? random() % 0x200 : rsrc + random() % 0x120;
      image[at] = random() % 3 == 0 ? 0xFF : (uint8_t)random();
    }
    if (round % 7 == 0) image.resize(random() % image.size());
    std::vector<Resource> resources;
    std::string error;
    if (!ReadResources(image, &resources, &error)) {
      EXPECT_FALSE(error.empty());
      continue;
    }
    read++;
    size_t size = image.size();
    WriteResources(resources, &image, &error);
    EXPECT_EQ(image.size(), size);
  }
  EXPECT_GT(read, 100);  // the mutations also reach the tree's reading
}

}  // namespace
