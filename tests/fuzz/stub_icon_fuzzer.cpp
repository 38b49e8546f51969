// fuzz_stub_icon: any bytes taken as the icon of --icon and as the stub of
// --stub. Nothing may fault; an icon that decodes is made into the stub's
// image, and a stub whose resources read is given a fixed icon and keeps
// its length.
#include <stddef.h>
#include <stdint.h>

#include <vector>

#include "writer/icon_convert.h"
#include "writer/icon_image.h"
#include "writer/stub_icon.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes(data, data + size);
  std::vector<RgbaImage> pictures;
  std::string error;
  if (DecodeIconPictures(bytes, &pictures, &error)) {
    const RgbaImage& best = BestPictureFor(pictures, 32, 32);
    if (best.pixels.size() != (size_t)best.width * best.height * 4) __builtin_trap();
    if (MakeIconImage(best, 32, 32, 4).size() != 744) __builtin_trap();
  }
  RgbaImage dot;
  dot.width = dot.height = 1;
  dot.pixels = {200, 30, 60, 255};
  std::vector<uint8_t> stub = bytes;
  if (ReplaceStubIcon({dot}, &stub, &error) ? stub.size() != size : stub != bytes) __builtin_trap();
  return 0;
}
