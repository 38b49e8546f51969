// PNG decoding through libpng's simplified interface (all colour types,
// depths and transparency come out as 8-bit RGBA).
#include "writer/icon_image.h"

#if defined(CORVANE_NO_PNG)

bool DecodePng(const uint8_t*, size_t, RgbaImage*, std::string* error) {
  *error = "is a PNG, and this build of corvane reads none (built without libpng)";
  return false;
}

#else

#include <png.h>

bool DecodePng(const uint8_t* bytes, size_t size, RgbaImage* image, std::string* error) {
  png_image png = {};
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&png, bytes, size)) {
    *error = std::string("is a broken PNG (") + png.message + ")";
    return false;
  }
  if (png.width > (png_uint_32)kLargestPicture || png.height > (png_uint_32)kLargestPicture) {
    png_image_free(&png);
    *error = "is a PNG larger than " + std::to_string(kLargestPicture) + " pixels a side";
    return false;
  }
  png.format = PNG_FORMAT_RGBA;
  image->width = png.width;
  image->height = png.height;
  image->bitCount = 32;
  image->pixels.assign(PNG_IMAGE_SIZE(png), 0);
  if (!png_image_finish_read(&png, nullptr, image->pixels.data(), 0, nullptr)) {
    *error = std::string("is a broken PNG (") + png.message + ")";
    return false;
  }
  return true;
}

#endif
