// The writer's mirror of the extractor's reference ring, and the choice of
// the earlier file a new file borrows from.
//
// A slot per file entry, in order, holding the file's first 16384 bytes;
// a file may refer to any of the last 255 (distance 1 to 255). From the
// chosen one it takes its first K bytes for free (the longest common
// start) and a preset history of up to 8192 bytes to match against.
//
// Two measures pick the candidates: the shared start K, and for the
// preset history a resemblance score, the number of sampled 4-byte
// sequences of the new file's first 8 KB that also occur in the first
// 8 KB of the candidate. Samples are chosen by content (a hash with its
// top bits zero), so the same text is sampled alike in both files, and an
// index from sample to files keeps the scoring cost independent of the
// number of candidates that share nothing.
#ifndef CORVANE_WRITER_REFERENCE_CHOOSER_H
#define CORVANE_WRITER_REFERENCE_CHOOSER_H

#include <stdint.h>

#include <vector>

#include "payload/format.h"
#include "writer/level_settings.h"
#include "writer/sample_index.h"

// One way to code a file: the distance back to its reference (0: none)
// and the shared length K.
struct ReferenceChoice {
  int distance;
  int32_t shared;
};

class ReferenceChooser {
 public:
  explicit ReferenceChooser(const ChoiceSettings& settings);

  // The choices worth trying for a file of these bytes, the most
  // promising first; never empty (no reference is always possible).
  std::vector<ReferenceChoice> Propose(const uint8_t* data, int32_t size);

  // The slot contents `distance` (1 to 255) file entries back, and its
  // stored length.
  const uint8_t* SlotData(int distance) const;
  int32_t SlotLength(int distance) const;

  // Enters the next file entry's first bytes into the ring, as the
  // extractor's output window does. Called right after Propose for the
  // same bytes, it takes the samples Propose took.
  void AddFile(const uint8_t* data, int32_t size);

 private:
  struct Slot {
    std::vector<uint8_t> data;
    std::vector<uint32_t> samples;  // distinct, of the first 8 KB
  };
  // Slot s holds file entry number filesSeen_ - d where d is its distance:
  // slot numbers are file entry numbers mod 256.
  int SlotAt(int distance) const {
    return (int)((filesSeen_ - distance) % kRingSlots);
  }

  ChoiceSettings settings_;
  int64_t filesSeen_ = 0;
  Slot slots_[kRingSlots];
  uint64_t slotStart_[kRingSlots] = {};  // first 8 bytes, zeros past the end
  int32_t slotLength_[kRingSlots] = {};  // stored bytes
  SampleIndex index_;
  // The samples of the bytes Propose saw last.
  const uint8_t* sampledData_ = nullptr;
  int32_t sampledSize_ = -1;
  std::vector<uint32_t> samples_;
};

// The distinct content-chosen samples of data[0 .. min(size, 8192)).
void SampleStart(const uint8_t* data, int32_t size, std::vector<uint32_t>* out);

#endif
