// Pictures for an icon: the images of a .ico file or a PNG, decoded to
// straight (not premultiplied) RGBA, and the one that best suits a size.
#ifndef CORVANE_WRITER_ICON_IMAGE_H
#define CORVANE_WRITER_ICON_IMAGE_H

#include <stdint.h>

#include <string>
#include <vector>

struct RgbaImage {
  int width = 0, height = 0;
  int bitCount = 32;             // the source's colour depth, to choose between images
  std::vector<uint8_t> pixels;   // R, G, B, A per pixel, rows top down
};

// The largest picture taken, in either direction; a bound on what a hostile
// file can make us allocate.
const int kLargestPicture = 2048;

// Decodes every image of a .ico file (DIB images of 1, 4, 8, 24 or 32
// bits, or PNG images) or the one image of a PNG file. False with *error
// (a sentence without the file's name) when the bytes are neither, or any
// image in them is broken or larger than kLargestPicture.
bool DecodeIconPictures(const std::vector<uint8_t>& bytes, std::vector<RgbaImage>* images,
                        std::string* error);

// The image that makes the best `width` by `height` picture: that size
// exactly, else the smallest larger one (scaled down), else the largest;
// among equal sizes the deepest colours. `images` is not empty.
const RgbaImage& BestPictureFor(const std::vector<RgbaImage>& images, int width, int height);

// Decodes a PNG (in png_image.cpp). False with *error when it is none, is
// broken, or is larger than kLargestPicture.
bool DecodePng(const uint8_t* bytes, size_t size, RgbaImage* image, std::string* error);

#endif
