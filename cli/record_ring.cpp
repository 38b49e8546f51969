#include "cli/record_ring.h"

#include <cstring>

RecordRing::RecordRing(size_t capacity)
    : capacity_(capacity & ~(size_t)7), bytes_(new uint8_t[capacity_]) {}

bool RecordRing::Place(size_t n, size_t* pos, size_t* gap) const {
  uint64_t at = written_.load(std::memory_order_relaxed);
  uint64_t free = capacity_ - (at - read_.load());
  size_t total = Rounded(n);
  *pos = (size_t)(at % capacity_);
  *gap = *pos + total > capacity_ ? capacity_ - *pos : 0;
  return *gap + total <= free;
}

bool RecordRing::Fits(size_t n) const {
  size_t pos, gap;
  return Place(n, &pos, &gap);
}

uint8_t* RecordRing::Reserve(size_t n) {
  size_t pos, gap;
  if (!Place(n, &pos, &gap)) return nullptr;
  if (gap) {
    Head g = {kGap, 0};
    memcpy(&bytes_[pos], &g, sizeof g);
    pos = 0;
  }
  Head h = {(uint32_t)n, 0};
  memcpy(&bytes_[pos], &h, sizeof h);
  reserved_ = written_.load(std::memory_order_relaxed) + gap + Rounded(n);
  return &bytes_[pos + sizeof h];
}

void RecordRing::Commit() { written_.store(reserved_); }

RecordRing::Head RecordRing::FrontHead(size_t* pos, uint64_t* next) const {
  uint64_t at = read_.load(std::memory_order_relaxed);
  *pos = (size_t)(at % capacity_);
  Head h;
  memcpy(&h, &bytes_[*pos], sizeof h);
  if (h.bytes == kGap) {
    at += capacity_ - *pos;
    *pos = 0;
    memcpy(&h, &bytes_[0], sizeof h);
  }
  *next = at + Rounded(h.bytes);
  return h;
}

const uint8_t* RecordRing::Front(size_t* n) const {
  if (empty()) return nullptr;
  size_t pos;
  uint64_t next;
  *n = FrontHead(&pos, &next).bytes;
  return &bytes_[pos + sizeof(Head)];
}

void RecordRing::Pop() {
  size_t pos;
  uint64_t next;
  FrontHead(&pos, &next);
  read_.store(next);
}
