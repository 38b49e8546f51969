#include "cli/record_ring.h"

#include <cstring>

RecordRing::RecordRing(size_t capacity)
    : capacity_(capacity & ~(size_t)7), bytes_(new uint8_t[capacity_]) {}

bool RecordRing::Fits(size_t n) const {
  uint64_t at = written_.load(std::memory_order_relaxed);
  uint64_t free = capacity_ - (at - read_.load());
  size_t pos = (size_t)(at % capacity_);
  size_t total = Rounded(n);
  size_t gap = pos + total > capacity_ ? capacity_ - pos : 0;
  return gap + total <= free;
}

uint8_t* RecordRing::Reserve(size_t n) {
  if (!Fits(n)) return nullptr;
  uint64_t at = written_.load(std::memory_order_relaxed);
  size_t pos = (size_t)(at % capacity_);
  size_t total = Rounded(n);
  size_t gap = pos + total > capacity_ ? capacity_ - pos : 0;
  if (gap) {
    Head g = {kGap, 0};
    memcpy(&bytes_[pos], &g, sizeof g);
    pos = 0;
  }
  Head h = {(uint32_t)n, 0};
  memcpy(&bytes_[pos], &h, sizeof h);
  reserved_ = at + gap + total;
  return &bytes_[pos + sizeof h];
}

void RecordRing::Commit() { written_.store(reserved_); }

const uint8_t* RecordRing::Front(size_t* n) const {
  uint64_t at = read_.load(std::memory_order_relaxed);
  if (at == written_.load()) return nullptr;
  size_t pos = (size_t)(at % capacity_);
  Head h;
  memcpy(&h, &bytes_[pos], sizeof h);
  if (h.bytes == kGap) {
    pos = 0;
    memcpy(&h, &bytes_[0], sizeof h);
  }
  *n = h.bytes;
  return &bytes_[pos + sizeof h];
}

void RecordRing::Pop() {
  uint64_t at = read_.load(std::memory_order_relaxed);
  size_t pos = (size_t)(at % capacity_);
  Head h;
  memcpy(&h, &bytes_[pos], sizeof h);
  if (h.bytes == kGap) {
    at += capacity_ - pos;
    memcpy(&h, &bytes_[0], sizeof h);
  }
  read_.store(at + Rounded(h.bytes));
}
