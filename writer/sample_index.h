// Which files of the reference ring hold a sample: an open-addressing
// table from a 4-byte sample to the set of ring slots (256 bits) whose
// file's first 8 KB contain it. One probe per look-up, and no allocation
// per file, which matters when an archive holds thousands of small files.
//
// Removing a slot's samples leaves their entries in place with the bit
// cleared; the table is rebuilt without the empty ones when entries take
// up half of it.
#ifndef CORVANE_WRITER_SAMPLE_INDEX_H
#define CORVANE_WRITER_SAMPLE_INDEX_H

#include <stddef.h>
#include <stdint.h>

#include <vector>

class SampleIndex {
 public:
  static const int kSlotWords = 4;  // 256 slots

  SampleIndex();

  void Add(uint32_t sample, int slot);
  void Remove(uint32_t sample, int slot);

  // The set of slots holding the sample (bit s of word s / 64), or null
  // when none has held it since the last rebuild.
  const uint64_t* SlotsOf(uint32_t sample) const;

 private:
  struct Entry {
    uint32_t sample;
    bool inUse;
    uint64_t slots[kSlotWords];
  };

  size_t Home(uint32_t sample) const {
    return (size_t)((sample * 2654435761u) >> 8) & mask_;
  }
  // The entry of the sample, or the free entry where it would go.
  Entry* Find(uint32_t sample);
  void Rebuild();

  std::vector<Entry> table_;
  size_t mask_ = 0;
  size_t occupied_ = 0;
};

#endif
