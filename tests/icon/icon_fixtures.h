// Pictures, icon files and program images made for the icon tests, and
// the tools of icoutils and ImageMagick run on them.
#ifndef CORVANE_TESTS_ICON_ICON_FIXTURES_H
#define CORVANE_TESTS_ICON_ICON_FIXTURES_H

#include <stdint.h>

#include <string>
#include <vector>

#include "writer/icon_image.h"
#include "writer/pe_resources.h"

// A picture drawn as text, one character a pixel: '.' is transparent,
// the other characters index `colours` (0xRRGGBB) from 'a' on.
RgbaImage PictureFromRows(const std::vector<std::string>& rows, const std::vector<uint32_t>& colours);

// A `size` by `size` picture of `kinds` colours in a fixed pattern of
// blocks `block` pixels wide, a transparent corner included; the same for
// the same arguments.
RgbaImage BlockPicture(int size, int block, int kinds);

// A .ico file holding these icon images (MakeIconImage's DIBs, or PNGs).
std::vector<uint8_t> IcoFile(const std::vector<std::vector<uint8_t>>& images);

// A Windows program image with no code: headers, one data directory
// (resources) and a resource section of `rawSize` bytes holding
// `resources`; a PE32+ image when `plus`. The checksum is set.
std::vector<uint8_t> ProgramImage(const std::vector<Resource>& resources, uint32_t rawSize,
                                  bool plus = false);

// An icon group "main_icon" of one image (RT_ICON 1) of this size and depth.
std::vector<Resource> MainIconGroup(int size, int bitCount);

// Pixels as text, a row a line: "RRGGBB" for each pixel that shows, "------"
// for one that does not (alpha below 128).
std::string PixelText(const RgbaImage& picture);

// What ImageMagick reads from an image file, as straight RGBA (used to
// read what icotool gives back, with a decoder apart from ours). False
// when it cannot.
bool ReadWithImageMagick(const std::string& path, RgbaImage* picture);
// Writes the picture through ImageMagick ("x.png", "x.bmp", ...).
bool WriteWithImageMagick(const RgbaImage& picture, const std::string& path);

// The pictures of the archive's icon group "main_icon" as icoutils take
// them out (wrestool, then icotool) and ImageMagick reads them, and
// icotool's list of them.
std::vector<RgbaImage> IcoutilsIcon(const std::string& archive, std::string* list);

#endif
