// Whether a program file that the length test refused is an archive of
// this kind at all, for corvane's diagnosis: a file that is ours but cut
// short or extended is told so, anything else (a random file, a zip, some
// other program) is "not an archive of this kind" rather than an archive
// of a wild length.
#ifndef CORVANE_CLI_ARCHIVE_KIND_H
#define CORVANE_CLI_ARCHIVE_KIND_H

#include <stdint.h>

#include <string>

// Whether the bytes behind the stub read as a header of ours whose size
// field is `expectedSize`: a size that leaves room for a header and one
// block, header texts without control bytes other than tab and line
// breaks, a header that ends before the recorded size, and, for an archive
// without a password, a first block that passes its CRC test where the
// file holds it. What the file does not hold counts in its favour: a file
// cut inside its header may still be ours.
bool PlausibleHeader(const std::string& path, int32_t expectedSize);

#endif
