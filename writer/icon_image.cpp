// The images of a .ico file (or of a lone PNG) decoded to RGBA, every
// offset and size checked against the file.
#include "writer/icon_image.h"

#include <string.h>

namespace {

// The most pixels taken from all images of a file together: many images
// may share the bytes of one large one.
const size_t kMostPixels = 2 * (size_t)kLargestPicture * kLargestPicture;

const uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

bool IsPng(const uint8_t* bytes, size_t size) {
  return size >= sizeof kPngSignature && memcmp(bytes, kPngSignature, sizeof kPngSignature) == 0;
}

uint16_t Get16(const uint8_t* b) { return b[0] | b[1] << 8; }
uint32_t Get32(const uint8_t* b) { return b[0] | b[1] << 8 | b[2] << 16 | (uint32_t)b[3] << 24; }

// Bytes of one bitmap row: `bits` per pixel, padded to 32 bits.
size_t RowBytes(int width, int bits) { return ((size_t)width * bits + 31) / 32 * 4; }

// One DIB image of an icon: a BITMAPINFOHEADER, the palette, the colour
// rows and the transparency mask, both bottom up. A 32-bit image whose
// alpha is all zero is an old one whose mask tells what shows.
bool DecodeDib(const uint8_t* b, size_t size, RgbaImage* image, std::string* error) {
  *error = "holds a broken icon image";
  if (size < 40) return false;
  uint32_t headerSize = Get32(b);
  int32_t width = (int32_t)Get32(b + 4), doubleHeight = (int32_t)Get32(b + 8);
  int bits = Get16(b + 14);
  uint32_t compression = Get32(b + 16), colours = Get32(b + 32);
  if (headerSize < 40 || headerSize > size) return false;
  if (width <= 0 || doubleHeight <= 0 || doubleHeight % 2 != 0) return false;
  int height = doubleHeight / 2;
  if (width > kLargestPicture || height > kLargestPicture) {
    *error = "holds an image larger than " + std::to_string(kLargestPicture) + " pixels a side";
    return false;
  }
  if (compression != 0 || (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)) {
    *error = "holds an image of " + std::to_string(bits) + " bits per pixel or compressed, "
             "which corvane does not read";
    return false;
  }
  size_t paletteSize = 0;
  if (bits <= 8) {
    paletteSize = colours == 0 ? (1u << bits) : colours;
    if (paletteSize > (1u << bits)) return false;
  }
  size_t paletteAt = headerSize, pixelsAt = paletteAt + 4 * paletteSize;
  size_t colourRow = RowBytes(width, bits), maskRow = RowBytes(width, 1);
  size_t maskAt = pixelsAt + colourRow * height;
  if (pixelsAt > size || colourRow * height > size - pixelsAt) return false;
  bool hasMask = maskRow * height <= size - maskAt;
  if (!hasMask && bits != 32) return false;

  image->width = width;
  image->height = height;
  image->bitCount = bits;
  image->pixels.assign((size_t)width * height * 4, 0);
  bool anyAlpha = false;
  for (int y = 0; y < height; y++) {
    const uint8_t* row = b + pixelsAt + colourRow * (height - 1 - y);
    for (int x = 0; x < width; x++) {
      uint8_t* p = &image->pixels[((size_t)y * width + x) * 4];
      if (bits <= 8) {
        size_t bitAt = (size_t)x * bits;
        unsigned index = (row[bitAt / 8] >> (8 - bits - bitAt % 8)) & ((1u << bits) - 1);
        if (index >= paletteSize) index = 0;  // outside the palette: its first colour
        const uint8_t* c = b + paletteAt + 4 * index;
        p[0] = c[2], p[1] = c[1], p[2] = c[0], p[3] = 255;
      } else {
        const uint8_t* c = row + (size_t)x * (bits / 8);
        p[0] = c[2], p[1] = c[1], p[2] = c[0], p[3] = bits == 32 ? c[3] : 255;
        anyAlpha |= bits == 32 && c[3] != 0;
      }
    }
  }
  if (bits == 32 && anyAlpha) return true;
  if (!hasMask) return false;
  for (int y = 0; y < height; y++) {
    const uint8_t* row = b + maskAt + maskRow * (height - 1 - y);
    for (int x = 0; x < width; x++)
      image->pixels[((size_t)y * width + x) * 4 + 3] = (row[x / 8] >> (7 - x % 8)) & 1 ? 0 : 255;
  }
  return true;
}

}  // namespace

bool DecodeIconPictures(const std::vector<uint8_t>& bytes, std::vector<RgbaImage>* images,
                        std::string* error) {
  images->clear();
  const uint8_t* b = bytes.data();
  if (IsPng(b, bytes.size())) {
    images->emplace_back();
    if (DecodePng(b, bytes.size(), &images->back(), error)) return true;
    images->clear();
    return false;
  }
  // An icon directory: reserved 0, type 1, the count, 16 bytes per image.
  if (bytes.size() < 6 || Get16(b) != 0 || Get16(b + 2) != 1 || Get16(b + 4) == 0) {
    *error = "is neither an icon (.ico) nor a PNG";
    return false;
  }
  size_t count = Get16(b + 4);
  if (6 + 16 * count > bytes.size()) {
    *error = "is a broken icon file (its directory is cut short)";
    return false;
  }
  size_t pixels = 0;
  for (size_t i = 0; i < count; i++) {
    const uint8_t* entry = b + 6 + 16 * i;
    uint32_t size = Get32(entry + 8), at = Get32(entry + 12);
    std::string why;
    images->emplace_back();
    if (at > bytes.size() || size > bytes.size() - at) {
      why = "lies outside the file";
    } else if (IsPng(b + at, size) ? !DecodePng(b + at, size, &images->back(), &why)
                                   : !DecodeDib(b + at, size, &images->back(), &why)) {
    } else if ((pixels += (size_t)images->back().width * images->back().height) > kMostPixels) {
      why = "goes past the pictures corvane reads from one file";
    } else {
      continue;
    }
    *error = "is a broken icon file: its image " + std::to_string(i + 1) + " " + why;
    images->clear();
    return false;
  }
  return true;
}

const RgbaImage& BestPictureFor(const std::vector<RgbaImage>& images, int width, int height) {
  // Ranks: 0 the size exactly, 1 larger (the smaller the better), 2
  // smaller (the larger the better); then the deeper colours.
  auto rank = [&](const RgbaImage& i) {
    if (i.width == width && i.height == height) return 0;
    return i.width >= width && i.height >= height ? 1 : 2;
  };
  auto better = [&](const RgbaImage& a, const RgbaImage& b) {
    if (rank(a) != rank(b)) return rank(a) < rank(b);
    long areaA = (long)a.width * a.height, areaB = (long)b.width * b.height;
    if (areaA != areaB) return rank(a) == 1 ? areaA < areaB : areaA > areaB;
    return a.bitCount > b.bitCount;
  };
  const RgbaImage* best = &images.front();
  for (const RgbaImage& i : images)
    if (better(i, *best)) best = &i;
  return *best;
}
