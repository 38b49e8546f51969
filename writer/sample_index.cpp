// Which files of the reference ring hold a sample.
#include "writer/sample_index.h"

// 2^16 entries hold the samples of 255 small files with room to spare;
// the table grows for larger ones.
static const size_t kStartEntries = (size_t)1 << 16;

SampleIndex::SampleIndex() : table_(kStartEntries, Entry()), mask_(kStartEntries - 1) {}

SampleIndex::Entry* SampleIndex::Find(uint32_t sample) {
  for (size_t i = Home(sample);; i = (i + 1) & mask_) {
    Entry& e = table_[i];
    if (!e.inUse || e.sample == sample) return &e;
  }
}

const uint64_t* SampleIndex::SlotsOf(uint32_t sample) const {
  for (size_t i = Home(sample);; i = (i + 1) & mask_) {
    const Entry& e = table_[i];
    if (!e.inUse) return nullptr;
    if (e.sample == sample) return e.slots;
  }
}

void SampleIndex::Add(uint32_t sample, int slot) {
  Entry* e = Find(sample);
  if (!e->inUse) {
    *e = Entry();
    e->inUse = true;
    e->sample = sample;
    if (++occupied_ * 2 > table_.size()) {
      e->slots[slot >> 6] |= 1ull << (slot & 63);
      Rebuild();
      return;
    }
  }
  e->slots[slot >> 6] |= 1ull << (slot & 63);
}

void SampleIndex::Remove(uint32_t sample, int slot) {
  Entry* e = Find(sample);
  if (e->inUse) e->slots[slot >> 6] &= ~(1ull << (slot & 63));
}

void SampleIndex::Rebuild() {
  std::vector<Entry> old;
  old.swap(table_);
  size_t live = 0;
  for (const Entry& e : old)
    if (e.inUse && (e.slots[0] | e.slots[1] | e.slots[2] | e.slots[3])) live++;
  // At most a quarter full afterwards.
  size_t size = kStartEntries;
  while (size < live * 4) size *= 2;
  table_.assign(size, Entry());
  mask_ = size - 1;
  occupied_ = live;
  for (const Entry& e : old)
    if (e.inUse && (e.slots[0] | e.slots[1] | e.slots[2] | e.slots[3])) *Find(e.sample) = e;
}
