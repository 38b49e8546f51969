// The maker's own icon in place of the stub's icon group "main_icon".
#ifndef CORVANE_WRITER_STUB_ICON_H
#define CORVANE_WRITER_STUB_ICON_H

#include <stdint.h>

#include <string>
#include <vector>

#include "writer/icon_image.h"

// Replaces the images of the stub's icon group "main_icon" with pictures
// made from `pictures` (DecodeIconPictures): each image at the size and
// colour depth the group holds, from the picture that suits that size
// best; then a 16 by 16 image of the group's first depth besides, when
// the group has none and it fits. The stub keeps its length; its resource
// section and the header's checksum change, nothing else. False with
// *error (a sentence said of the stub), the stub untouched, when the stub
// has no such group or the new images do not fit.
bool ReplaceStubIcon(const std::vector<RgbaImage>& pictures, std::vector<uint8_t>* stub,
                     std::string* error);

#endif
