// Turning a picture into an icon image of a given size and colour depth,
// as an icon resource stores it: a DIB with its transparency mask.
#ifndef CORVANE_WRITER_ICON_CONVERT_H
#define CORVANE_WRITER_ICON_CONVERT_H

#include <stdint.h>

#include <vector>

#include "writer/icon_image.h"

// The picture scaled to fit `width` by `height`, its proportions kept
// (centred; the rest transparent): each new pixel the average of the area
// it covers, weighted by opacity.
RgbaImage ScaleToFit(const RgbaImage& picture, int width, int height);

struct Rgb {
  uint8_t r, g, b;
  bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

// At most `colours` colours for the opaque pixels (alpha 128 and above) of
// the picture, black among them when any pixel is transparent (a
// transparent pixel of an icon must be black where its mask lets the
// background through): the picture's own colours when they are that few,
// else whichever of the standard 16 (for 16 colours) and a palette fitted
// to the picture (median cut, then refined) is nearer to it.
std::vector<Rgb> ChoosePalette(const RgbaImage& picture, int colours);

// The icon image of the picture at `width` by `height` and `bitCount` bits
// per pixel (1, 4 or 8 with a palette chosen for it, 24 or 32): a
// BITMAPINFOHEADER of double height, the palette, the colour rows and the
// mask rows, bottom up. Empty for another depth.
std::vector<uint8_t> MakeIconImage(const RgbaImage& picture, int width, int height, int bitCount);

#endif
