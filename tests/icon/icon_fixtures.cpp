// Pictures, icon files and program images for the icon tests.
#include "tests/icon/icon_fixtures.h"

#include <stdio.h>

#include "tests/cli/run_program.h"
#include "tests/test_files.h"
#include "writer/icon_convert.h"

RgbaImage PictureFromRows(const std::vector<std::string>& rows, const std::vector<uint32_t>& colours) {
  RgbaImage p;
  p.height = rows.size();
  p.width = rows[0].size();
  for (const std::string& row : rows)
    for (char c : row) {
      uint32_t rgb = c == '.' ? 0 : colours.at(c - 'a');
      p.pixels.insert(p.pixels.end(), {(uint8_t)(rgb >> 16), (uint8_t)(rgb >> 8), (uint8_t)rgb,
                                       (uint8_t)(c == '.' ? 0 : 255)});
    }
  return p;
}

RgbaImage BlockPicture(int size, int block, int kinds) {
  // Colours off the standard 16, so that only a palette of the picture's
  // own holds them.
  static const uint32_t kColours[] = {0x1F3A93, 0xE87E04, 0x26A65B, 0xD91E18, 0xF7CA18, 0x8E44AD,
                                      0x22313F, 0xECF0F1, 0x96281B, 0x4ECDC4, 0xC8F7C5, 0x6C7A89,
                                      0xF62459, 0x3A539B, 0x87D37C, 0xBE90D4};
  std::vector<std::string> rows(size, std::string(size, '.'));
  for (int y = 0; y < size; y++)
    for (int x = 0; x < size; x++) {
      int bx = x / block, by = y / block;
      if (bx == 0 && by == 0) continue;  // the transparent corner
      rows[y][x] = 'a' + (bx * 7 + by * 3) % kinds;
    }
  return PictureFromRows(rows, std::vector<uint32_t>(kColours, kColours + 16));
}

std::vector<uint8_t> IcoFile(const std::vector<std::vector<uint8_t>>& images) {
  Bytes ico;
  PutLE(&ico, 0, 2);
  PutLE(&ico, 1, 2);
  PutLE(&ico, images.size(), 2);
  size_t at = 6 + 16 * images.size();
  for (const auto& image : images) {
    bool png = image.size() > 4 && image[1] == 'P';
    int width = png ? image[19] : image[4], height = png ? image[23] : image[8] / 2;
    ico.insert(ico.end(), {(uint8_t)width, (uint8_t)height, 0, 0});
    PutLE(&ico, 1, 2);
    PutLE(&ico, png ? 32 : image[14], 2);
    PutLE(&ico, image.size(), 4);
    PutLE(&ico, at, 4);
    at += image.size();
  }
  for (const auto& image : images) ico.insert(ico.end(), image.begin(), image.end());
  return ico;
}

std::vector<uint8_t> ProgramImage(const std::vector<Resource>& resources, uint32_t rawSize, bool plus) {
  const uint32_t kPeAt = 0x40, kRawAt = 0x200, kSectionAt = 0x1000;
  const uint32_t optionalSize = plus ? 240 : 224, directoriesAt = plus ? 112 : 96;
  Bytes image(kRawAt + rawSize, 0);
  auto put = [&](size_t at, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; i++) image[at + i] = (v >> (8 * i)) & 0xFF;
  };
  image[0] = 'M', image[1] = 'Z';
  put(0x3C, kPeAt, 4);
  put(kPeAt, 0x00004550, 4);
  put(kPeAt + 4, plus ? 0x8664 : 0x14C, 2);
  put(kPeAt + 6, 1, 2);  // one section
  put(kPeAt + 20, optionalSize, 2);
  put(kPeAt + 22, 0x102, 2);
  size_t optional = kPeAt + 24;
  put(optional, plus ? 0x20B : 0x10B, 2);
  put(optional + 32, 0x1000, 4);  // section alignment
  put(optional + 36, 0x200, 4);   // file alignment
  put(optional + 56, kSectionAt + (rawSize + 0xFFF) / 0x1000 * 0x1000, 4);
  put(optional + 60, kRawAt, 4);
  put(optional + 64, 1, 4);  // a checksum, so that it is kept
  put(optional + directoriesAt - 4, 16, 4);
  put(optional + directoriesAt + 16, kSectionAt, 4);
  put(optional + directoriesAt + 20, 16, 4);
  size_t section = optional + optionalSize;
  memcpy(&image[section], ".rsrc", 5);
  put(section + 8, 16, 4);
  put(section + 12, kSectionAt, 4);
  put(section + 16, rawSize, 4);
  put(section + 20, kRawAt, 4);
  put(section + 36, 0x40000040, 4);
  std::string error;
  if (!WriteResources(resources, &image, &error)) fprintf(stderr, "ProgramImage: %s\n", error.c_str());
  return image;
}

std::vector<Resource> MainIconGroup(int size, int bitCount) {
  Resource icon, group;
  icon.type.id = kResourceTypeIcon;
  icon.name.id = 1;
  icon.language.id = 1033;
  icon.data = MakeIconImage(BlockPicture(size, 4, 5), size, size, bitCount);
  group.type.id = kResourceTypeGroupIcon;
  group.name.name = u"MAIN_ICON";
  group.language.id = 1033;
  PutLE(&group.data, 0, 2);
  PutLE(&group.data, 1, 2);
  PutLE(&group.data, 1, 2);
  group.data.insert(group.data.end(), {(uint8_t)size, (uint8_t)size,
                                       (uint8_t)(bitCount < 8 ? 1 << bitCount : 0), 0});
  PutLE(&group.data, 1, 2);
  PutLE(&group.data, bitCount, 2);
  PutLE(&group.data, icon.data.size(), 4);
  PutLE(&group.data, 1, 2);
  return {icon, group};
}

std::string PixelText(const RgbaImage& picture) {
  std::string text;
  for (int y = 0; y < picture.height; y++) {
    for (int x = 0; x < picture.width; x++) {
      const uint8_t* p = &picture.pixels[((size_t)y * picture.width + x) * 4];
      char hex[8];
      if (p[3] >= 128) {
        snprintf(hex, sizeof hex, "%02X%02X%02X", p[0], p[1], p[2]);
      } else {
        snprintf(hex, sizeof hex, "------");
      }
      text += hex;
    }
    text += "\n";
  }
  return text;
}

bool ReadWithImageMagick(const std::string& path, RgbaImage* picture) {
  RunResult size = RunProgram({"identify", "-format", "%w %h", path});
  if (size.exitCode != 0 || sscanf(size.out.c_str(), "%d %d", &picture->width, &picture->height) != 2)
    return false;
  TempDir dir;
  RunResult r = RunProgram({"convert", path, "-depth", "8", "rgba:" + dir / "raw"});
  if (r.exitCode != 0) return false;
  picture->pixels = ReadFileBytes(dir / "raw");
  return picture->pixels.size() == (size_t)picture->width * picture->height * 4;
}

bool WriteWithImageMagick(const RgbaImage& picture, const std::string& path) {
  TempDir dir;
  WriteFileBytes(dir / "raw", picture.pixels);
  std::string size = std::to_string(picture.width) + "x" + std::to_string(picture.height);
  return RunProgram({"convert", "-size", size, "-depth", "8", "rgba:" + dir / "raw", path}).exitCode == 0;
}

std::vector<RgbaImage> IcoutilsIcon(const std::string& archive, std::string* list) {
  TempDir out;
  std::vector<RgbaImage> pictures;
  RunResult x = RunProgram({"wrestool", "-x", "--type=group_icon", "--name=MAIN_ICON", "-o",
                            out / "group.ico", archive});
  if (x.exitCode != 0) return pictures;
  *list = RunProgram({"icotool", "-l", out / "group.ico"}).out;
  if (RunProgram({"icotool", "-x", "-o", out.path(), out / "group.ico"}).exitCode != 0) return pictures;
  for (int i = 1;; i++) {
    RunResult found = RunBash("ls \"$1\"/group_${2}_*.png", {out.path(), std::to_string(i)});
    if (found.exitCode != 0) break;
    pictures.emplace_back();
    if (!ReadWithImageMagick(found.out.substr(0, found.out.find('\n')), &pictures.back())) pictures.pop_back();
  }
  return pictures;
}
