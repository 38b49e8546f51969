// Pictures made into icon images: scaling by area, a palette chosen for
// the picture, and the DIB with its mask.
#include "writer/icon_convert.h"

#include <math.h>

#include <algorithm>
#include <map>

namespace {

// The 16 colours of a standard 4-bit icon.
const Rgb kStandard16[16] = {
    {0x00, 0x00, 0x00}, {0x80, 0x00, 0x00}, {0x00, 0x80, 0x00}, {0x80, 0x80, 0x00},
    {0x00, 0x00, 0x80}, {0x80, 0x00, 0x80}, {0x00, 0x80, 0x80}, {0xC0, 0xC0, 0xC0},
    {0x80, 0x80, 0x80}, {0xFF, 0x00, 0x00}, {0x00, 0xFF, 0x00}, {0xFF, 0xFF, 0x00},
    {0x00, 0x00, 0xFF}, {0xFF, 0x00, 0xFF}, {0x00, 0xFF, 0xFF}, {0xFF, 0xFF, 0xFF}};
const Rgb kBlack = {0, 0, 0};

bool Opaque(const uint8_t* p) { return p[3] >= 128; }

// Distance between colours, weighted as the eye weighs the channels.
long Distance(const Rgb& a, const Rgb& b) {
  long dr = a.r - b.r, dg = a.g - b.g, db = a.b - b.b;
  return 2 * dr * dr + 4 * dg * dg + 3 * db * db;
}

size_t Nearest(const std::vector<Rgb>& palette, const Rgb& c) {
  size_t best = 0;
  for (size_t i = 1; i < palette.size(); i++)
    if (Distance(palette[i], c) < Distance(palette[best], c)) best = i;
  return best;
}

struct Weighted {
  Rgb colour;
  long count;
};

long Error(const std::vector<Weighted>& colours, const std::vector<Rgb>& palette) {
  long sum = 0;
  for (const Weighted& w : colours) sum += w.count * Distance(w.colour, palette[Nearest(palette, w.colour)]);
  return sum;
}

uint8_t Channel(const Rgb& c, int axis) { return axis == 0 ? c.r : axis == 1 ? c.g : c.b; }

// Median cut: the box with the widest channel is split at its weighted
// median along that channel, until there are `slots` boxes; each gives
// its weighted mean.
std::vector<Rgb> MedianCut(std::vector<Weighted> colours, size_t slots) {
  struct Box {
    size_t first, last;
  };
  auto widest = [&](const Box& b, int* axis) {
    int bestRange = -1;
    for (int a = 0; a < 3; a++) {
      int lo = 255, hi = 0;
      for (size_t i = b.first; i < b.last; i++) {
        lo = std::min<int>(lo, Channel(colours[i].colour, a));
        hi = std::max<int>(hi, Channel(colours[i].colour, a));
      }
      if (hi - lo > bestRange) bestRange = hi - lo, *axis = a;
    }
    return bestRange;
  };
  std::vector<Box> boxes = {{0, colours.size()}};
  while (boxes.size() < slots) {
    size_t pick = boxes.size();
    int pickRange = 0, pickAxis = 0;
    for (size_t i = 0; i < boxes.size(); i++) {
      int axis;
      int range = widest(boxes[i], &axis);
      if (boxes[i].last - boxes[i].first > 1 && range > pickRange) pick = i, pickRange = range, pickAxis = axis;
    }
    if (pick == boxes.size()) break;
    Box b = boxes[pick];
    std::stable_sort(colours.begin() + b.first, colours.begin() + b.last,
                     [&](const Weighted& x, const Weighted& y) {
                       return Channel(x.colour, pickAxis) < Channel(y.colour, pickAxis);
                     });
    long total = 0, seen = 0;
    for (size_t i = b.first; i < b.last; i++) total += colours[i].count;
    size_t cut = b.first + 1;
    for (size_t i = b.first; i + 1 < b.last; i++) {
      seen += colours[i].count;
      cut = i + 1;
      if (2 * seen >= total) break;
    }
    boxes[pick] = {b.first, cut};
    boxes.push_back({cut, b.last});
  }
  std::vector<Rgb> palette;
  for (const Box& b : boxes) {
    double r = 0, g = 0, bl = 0, n = 0;
    for (size_t i = b.first; i < b.last; i++) {
      r += colours[i].colour.r * (double)colours[i].count;
      g += colours[i].colour.g * (double)colours[i].count;
      bl += colours[i].colour.b * (double)colours[i].count;
      n += colours[i].count;
    }
    palette.push_back({(uint8_t)lround(r / n), (uint8_t)lround(g / n), (uint8_t)lround(bl / n)});
  }
  return palette;
}

// Moves each entry to the mean of the colours nearest to it, a few times
// (k-means); the first `fixed` entries stay.
void Refine(const std::vector<Weighted>& colours, size_t fixed, std::vector<Rgb>* palette) {
  for (int round = 0; round < 8; round++) {
    std::vector<double> sum(palette->size() * 4, 0.0);
    for (const Weighted& w : colours) {
      size_t i = Nearest(*palette, w.colour);
      sum[4 * i] += w.colour.r * (double)w.count;
      sum[4 * i + 1] += w.colour.g * (double)w.count;
      sum[4 * i + 2] += w.colour.b * (double)w.count;
      sum[4 * i + 3] += w.count;
    }
    for (size_t i = fixed; i < palette->size(); i++) {
      double n = sum[4 * i + 3];
      if (n > 0)
        (*palette)[i] = {(uint8_t)lround(sum[4 * i] / n), (uint8_t)lround(sum[4 * i + 1] / n),
                         (uint8_t)lround(sum[4 * i + 2] / n)};
    }
  }
}

}  // namespace

RgbaImage ScaleToFit(const RgbaImage& picture, int width, int height) {
  RgbaImage out;
  out.width = width;
  out.height = height;
  out.bitCount = picture.bitCount;
  out.pixels.assign((size_t)width * height * 4, 0);
  double scale = std::min((double)width / picture.width, (double)height / picture.height);
  int boxW = std::max(1, (int)lround(picture.width * scale));
  int boxH = std::max(1, (int)lround(picture.height * scale));
  int left = (width - boxW) / 2, top = (height - boxH) / 2;
  double stepX = (double)picture.width / boxW, stepY = (double)picture.height / boxH;
  for (int ty = 0; ty < boxH; ty++) {
    double y0 = ty * stepY, y1 = y0 + stepY;
    for (int tx = 0; tx < boxW; tx++) {
      double x0 = tx * stepX, x1 = x0 + stepX;
      double sum[4] = {0, 0, 0, 0}, area = 0;
      for (int sy = (int)y0; sy < picture.height && sy < y1; sy++) {
        double wy = std::min<double>(sy + 1, y1) - std::max<double>(sy, y0);
        for (int sx = (int)x0; sx < picture.width && sx < x1; sx++) {
          double w = wy * (std::min<double>(sx + 1, x1) - std::max<double>(sx, x0));
          if (w <= 0) continue;
          const uint8_t* p = &picture.pixels[((size_t)sy * picture.width + sx) * 4];
          double a = w * p[3];
          sum[0] += a * p[0], sum[1] += a * p[1], sum[2] += a * p[2], sum[3] += a;
          area += w;
        }
      }
      uint8_t* q = &out.pixels[((size_t)(top + ty) * width + left + tx) * 4];
      if (sum[3] > 0)
        for (int c = 0; c < 3; c++) q[c] = (uint8_t)lround(sum[c] / sum[3]);
      q[3] = area > 0 ? (uint8_t)lround(sum[3] / area) : 0;
    }
  }
  return out;
}

std::vector<Rgb> ChoosePalette(const RgbaImage& picture, int colours) {
  std::map<uint32_t, long> counts;
  bool transparent = false;
  for (size_t i = 0; i < picture.pixels.size(); i += 4) {
    const uint8_t* p = &picture.pixels[i];
    if (!Opaque(p)) {
      transparent = true;
      continue;
    }
    counts[p[0] << 16 | p[1] << 8 | p[2]]++;
  }
  if (transparent) counts.emplace(0, 0);  // black, weighing nothing
  std::vector<Weighted> seen;
  for (const auto& [rgb, n] : counts)
    seen.push_back({{(uint8_t)(rgb >> 16), (uint8_t)(rgb >> 8), (uint8_t)rgb}, n});
  std::vector<Rgb> palette;
  if (seen.size() <= (size_t)colours) {
    for (const Weighted& w : seen) palette.push_back(w.colour);
    return palette;
  }
  // Fitted: black kept first when the mask needs it.
  std::vector<Weighted> opaque(seen.begin() + (transparent && seen[0].count == 0 ? 1 : 0), seen.end());
  size_t fixed = transparent ? 1 : 0;
  if (transparent) palette.push_back(kBlack);
  for (const Rgb& c : MedianCut(opaque, colours - fixed)) palette.push_back(c);
  Refine(opaque, fixed, &palette);
  if (colours == 16) {
    std::vector<Rgb> standard(kStandard16, kStandard16 + 16);
    if (Error(opaque, standard) <= Error(opaque, palette)) return standard;
  }
  return palette;
}

std::vector<uint8_t> MakeIconImage(const RgbaImage& picture, int width, int height, int bitCount) {
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24 && bitCount != 32) return {};
  RgbaImage fitted = picture.width == width && picture.height == height
                         ? picture
                         : ScaleToFit(picture, width, height);
  std::vector<Rgb> palette;
  size_t paletteSize = 0;
  if (bitCount <= 8) {
    paletteSize = (size_t)1 << bitCount;
    palette = ChoosePalette(fitted, (int)paletteSize);
  }
  size_t colourRow = ((size_t)width * bitCount + 31) / 32 * 4, maskRow = ((size_t)width + 31) / 32 * 4;
  size_t pixelsAt = 40 + 4 * paletteSize, maskAt = pixelsAt + colourRow * height;
  std::vector<uint8_t> dib(maskAt + maskRow * height, 0);
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; i++) dib[at + i] = (v >> (8 * i)) & 0xFF;
  };
  put32(0, 40);
  put32(4, width);
  put32(8, 2 * height);
  dib[12] = 1;  // planes
  dib[14] = bitCount;
  put32(20, dib.size() - pixelsAt);
  for (size_t i = 0; i < palette.size(); i++) {
    dib[40 + 4 * i] = palette[i].b;
    dib[40 + 4 * i + 1] = palette[i].g;
    dib[40 + 4 * i + 2] = palette[i].r;
  }
  size_t black = palette.empty() ? 0 : Nearest(palette, kBlack);
  for (int y = 0; y < height; y++) {
    uint8_t* row = &dib[pixelsAt + colourRow * (height - 1 - y)];
    uint8_t* mask = &dib[maskAt + maskRow * (height - 1 - y)];
    for (int x = 0; x < width; x++) {
      const uint8_t* p = &fitted.pixels[((size_t)y * width + x) * 4];
      bool shows = Opaque(p);
      if (!shows) mask[x / 8] |= 0x80 >> (x % 8);
      if (bitCount <= 8) {
        size_t index = shows ? Nearest(palette, {p[0], p[1], p[2]}) : black;
        size_t bitAt = (size_t)x * bitCount;
        row[bitAt / 8] |= index << (8 - bitCount - bitAt % 8);
      } else if (shows || bitCount == 32) {
        uint8_t* q = row + (size_t)x * (bitCount / 8);
        q[0] = p[2], q[1] = p[1], q[2] = p[0];
        if (bitCount == 32) q[3] = p[3];
      }
    }
  }
  return dib;
}
