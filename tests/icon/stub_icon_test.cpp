// The stub's icon group given the maker's picture: the group's own sizes
// and depths, a small image besides only where it fits, and refusals that
// leave the stub as it was.
#include <gtest/gtest.h>

#include "tests/icon/icon_fixtures.h"
#include "tests/test_files.h"
#include "writer/icon_convert.h"
#include "writer/pe_resources.h"
#include "writer/stub_icon.h"

namespace {

const Resource* Find(const std::vector<Resource>& resources, uint16_t type, uint16_t id) {
  for (const Resource& r : resources)
    if (r.type.id == type && r.name.name.empty() && r.name.id == id) return &r;
  return nullptr;
}

const Resource* Group(const std::vector<Resource>& resources) {
  for (const Resource& r : resources)
    if (r.type.id == kResourceTypeGroupIcon && KeyIsName(r.name, "main_icon")) return &r;
  return nullptr;
}

std::vector<Resource> Read(const Bytes& image) {
  std::vector<Resource> resources;
  std::string error;
  EXPECT_TRUE(ReadResources(image, &resources, &error)) << error;
  return resources;
}

// The group's entries as "WxH/bits:bytes#id".
std::string Entries(const Resource& group) {
  std::string text;
  for (size_t i = 0; i < group.data[4]; i++) {
    const uint8_t* e = &group.data[6 + 14 * i];
    text += (text.empty() ? "" : " ") + std::to_string(e[0]) + "x" + std::to_string(e[1]) + "/" +
            std::to_string(e[6]) + ":" + std::to_string(e[8] | e[9] << 8) + "#" + std::to_string(e[12]);
  }
  return text;
}

TEST(StubIcon, TheGroupsImagesAreRedrawnAndASmallOneAddedWhereItFits) {
  RgbaImage picture = BlockPicture(48, 6, 12);
  // Room for 32x32 at 8 bits (2216 bytes) and 16x16 (1384), or not.
  for (uint32_t room : {4096u, 3072u}) {
    Bytes image = ProgramImage(MainIconGroup(32, 8), room);
    std::string error;
    ASSERT_TRUE(ReplaceStubIcon({picture}, &image, &error)) << error;
    EXPECT_EQ(image.size(), 0x200u + room);
    std::vector<Resource> resources = Read(image);
    const Resource* group = Group(resources);
    ASSERT_TRUE(group);
    Bytes big = MakeIconImage(picture, 32, 32, 8), small = MakeIconImage(picture, 16, 16, 8);
    ASSERT_TRUE(Find(resources, kResourceTypeIcon, 1));
    EXPECT_EQ(Find(resources, kResourceTypeIcon, 1)->data, big);
    if (room == 4096) {
      EXPECT_EQ(Entries(*group), "32x32/8:2216#1 16x16/8:1384#2");
      ASSERT_TRUE(Find(resources, kResourceTypeIcon, 2));
      EXPECT_EQ(Find(resources, kResourceTypeIcon, 2)->data, small);
    } else {
      EXPECT_EQ(Entries(*group), "32x32/8:2216#1");
      EXPECT_FALSE(Find(resources, kResourceTypeIcon, 2));
    }
  }
}

TEST(StubIcon, TheBestImageOfTheIconIsTakenForEachSize) {
  // 16x16 and 64x64 pictures: the group's 32x32 comes from the larger,
  // its 16x16 from the smaller.
  RgbaImage small = BlockPicture(16, 2, 3), large = BlockPicture(64, 8, 9);
  Bytes image = ProgramImage(MainIconGroup(32, 4), 2048);
  std::string error;
  ASSERT_TRUE(ReplaceStubIcon({small, large}, &image, &error)) << error;
  std::vector<Resource> resources = Read(image);
  std::vector<RgbaImage> back;
  ASSERT_TRUE(DecodeIconPictures(IcoFile({Find(resources, kResourceTypeIcon, 1)->data,
                                          Find(resources, kResourceTypeIcon, 2)->data}),
                                 &back, &error))
      << error;
  EXPECT_EQ(PixelText(back[0]), PixelText(BlockPicture(32, 4, 9)));
  EXPECT_EQ(PixelText(back[1]), PixelText(small));
}

TEST(StubIcon, WhatCannotBeDoneLeavesTheStubAsItWas) {
  RgbaImage picture = BlockPicture(32, 4, 5);
  struct Case {
    const char* what;
    Bytes image;
    const char* error;
  } cases[] = {
      {"no program", Bytes(26112, 0), "is no Windows program (no PE header)"},
      {"no icon group", ProgramImage({MainIconGroup(32, 4)[0]}, 1024), "has no icon group \"main_icon\""},
      {"a depth of 16 bits", Bytes(), nullptr},
      {"no room", Bytes(), nullptr},
  };
  // The group of the third says 16 bits; the fourth, once its image is
  // made as 48x48 at 32 bits, holds more than 1024 bytes.
  {
    std::vector<Resource> r = MainIconGroup(32, 4);
    r[1].data[6 + 6] = 16;
    cases[2].image = ProgramImage(r, 1024);
    cases[2].error = "holds a \"main_icon\" image of 16 bits per pixel, which corvane does not make";
    r = MainIconGroup(48, 4);
    r[1].data[6 + 6] = 32;
    cases[3].image = ProgramImage(r, 2048);
    cases[3].error = "has room for 2048 bytes of resources, and these need ";
  }
  for (const Case& c : cases) {
    Bytes image = c.image;
    std::string error;
    EXPECT_FALSE(ReplaceStubIcon({picture}, &image, &error)) << c.what;
    EXPECT_EQ(error.rfind(c.error, 0), 0u) << c.what << ": " << error;
    EXPECT_EQ(image, c.image) << c.what;
  }
}

}  // namespace
