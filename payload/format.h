// The archive format's numbers, shared by the reader and the writer: the
// program file, the block stream, the token alphabet of the coded bodies,
// the rebuild points of their trees, the reference ring and the limits on
// names. Nothing here belongs to one direction; a change here changes the
// format.
#ifndef CORVANE_PAYLOAD_FORMAT_H
#define CORVANE_PAYLOAD_FORMAT_H

#include <stdint.h>

// ---- The program file ----
// The stub comes first; the payload starts with its expected total size.
const int32_t kStubSize = 26112;

// ---- Sizes ----
// A file's size and the archive's expected size are signed 32-bit.
const int64_t kMaxFileSize = INT32_MAX;
const int64_t kMaxArchiveSize = INT32_MAX;

// ---- The header's texts ----
// What the stub holds of the description and the run command; longer ones
// are cut. A run command is opened only when it is shorter than a path
// may be on Windows (MAX_PATH, 260 bytes with its terminator): the shell
// takes nothing longer.
const int kDescriptionHeld = 65535;
const int kRunCommandHeld = 4095;
const int kRunCommandOpened = 259;

// ---- The block stream ----
// Blocks of 4096 data bytes and a 2-byte CRC-16 trailer (high byte first).
const int kBlockData = 4096;
const int kBlockSize = kBlockData + 2;

// ---- Item names ----
// Longest item name, and longest full path (destination and name). Longer
// ones cannot be made on the systems this archive is for.
const int kMaxName = 4096;
const int kMaxPath = 8192;

// ---- The token alphabet of a coded body ----
// Literal/length tree: 0-255 a literal, 256-510 a match of length s - 254,
// 511 a match of 257 plus a 12-bit field. Distance tree: d * 16 + 1 plus a
// 4-bit field, 1 to 8192. Both trees have 512 symbols.
const int kSymbols = 512;
const int kFirstLengthSymbol = 256;
const int kLongLengthSymbol = 511;
const int kMinMatch = 2;
const int kLongMatchBase = 257;
const int kLongLengthBits = 12;
const int kDistanceBits = 4;
const int kMaxMatch = kLongMatchBase + (1 << kLongLengthBits) - 1;  // 4352
const int kMaxDistance = 8192;

// ---- Rebuild points ----
// The trees are rebuilt from their running counts before tokens 0, 256,
// ..., 1792, 2048 and then every 1024.
inline bool IsRebuildPoint(int32_t tokens) {
  return (tokens & 255) == 0 && (tokens < 2048 || (tokens & 1023) == 0);
}

// The rebuild point after the one at `tokens`.
inline int32_t NextRebuildPoint(int32_t tokens) {
  return tokens + (tokens < 2048 ? 256 : 1024);
}

// ---- The reference ring ----
// The first bytes of the last 256 files of a run, from which a later file
// borrows its first K bytes and a preset history.
const int kRingSlots = 256;
const int kSlotBytes = 16384;
const int kMaxPreset = 8192;
const int kPresetAfterShared = 7168;  // the most taken from behind K

// Where the preset history lies in the referenced slot: bytes start to
// start + length - 1. Up to 7168 bytes that follow the shared K bytes,
// then as many of the K bytes before them as make up 8192.
struct PresetBounds {
  int32_t start;   // S
  int32_t length;  // P
};

inline PresetBounds PresetHistoryBounds(int32_t shared, int32_t stored) {
  int32_t after = stored - shared;
  if (after > kPresetAfterShared) after = kPresetAfterShared;
  int32_t before = kMaxPreset - after;
  if (before > shared) before = shared;
  PresetBounds b = {shared - before, after + before};
  return b;
}

#endif
