// A small tree of folders and files read from a fuzz input, for writer
// round trips. Names come from a safe alphabet (with 表 and ソ, whose
// second byte is 0x5C, and a half-width katakana), so that every tree is
// one the writer must accept; entries that would clash with an earlier
// one (a file where a folder is, a name given twice) are left out.
//
// Input: byte 0: level 1 + (b % 3) in bits 0-1 (3 counts as 3), password
// index (fuzz_keys.h) in bits 2-3, protection flags 1 + bits 4-7.
// Byte 1: description length (bits 0-3) and run command length (bits
// 4-7), then those bytes. Then entries until the input or the room ends:
//   op    bit 0 a folder; bits 1-2 levels - 1 (3: "." for a folder, 3
//         levels for a file); bits 3-5 how the contents are made
//   name  per level a length byte (1 + b % 6 characters) and one byte per
//         character (b % alphabet size)
//   file  8 bytes of write time (the others derived from it), then the
//         contents as the op says (tree_description.cpp)
#ifndef CORVANE_TESTS_FUZZ_TREE_DESCRIPTION_H
#define CORVANE_TESTS_FUZZ_TREE_DESCRIPTION_H

#include <stddef.h>
#include <stdint.h>

#include <set>
#include <string>
#include <vector>

#include "writer/archive_writer.h"

struct TreeDescription {
  std::vector<ArchiveEntry> entries;
  ArchiveOptions options;
  // Every folder that extraction makes: the folder entries and every
  // level above any entry (the root, "", excluded).
  std::set<std::string> folders;
};

TreeDescription DescribeTree(const uint8_t* data, size_t size);

#endif
