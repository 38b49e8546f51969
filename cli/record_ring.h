// A ring of variable-length records from one thread to another, of a fixed
// capacity taken once. A record is written in place and handed over whole:
// Reserve, fill, Commit on the writing thread; Front, use, Pop on the
// reading one. Records are 8-byte aligned and never wrap: one that does
// not fit before the end is put at the start, and the reader skips the
// gap.
#ifndef CORVANE_CLI_RECORD_RING_H
#define CORVANE_CLI_RECORD_RING_H

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

class RecordRing {
 public:
  explicit RecordRing(size_t capacity);

  // The largest record that can always be reserved once the reader has
  // caught up: with its head and alignment, half the ring at most, since a
  // gap at the end may take up to as much again.
  size_t largest() const { return capacity_ / 2 - sizeof(Head) - 8; }

  // Room for a record of n bytes (n <= largest()), or null while the
  // reader has not freed enough yet. The writer fills it and commits it.
  uint8_t* Reserve(size_t n);
  void Commit();
  // Whether Reserve(n) would give room now.
  bool Fits(size_t n) const;

  // The oldest committed record and its length, or null when there is
  // none; Pop frees it.
  const uint8_t* Front(size_t* n) const;
  void Pop();

  bool empty() const { return read_.load() == written_.load(); }

 private:
  struct Head {
    uint32_t bytes;  // the record's, without this head; kGap: skip to the end
    uint32_t spare;
  };
  static const uint32_t kGap = 0xFFFFFFFF;
  static size_t Rounded(size_t n) { return (n + sizeof(Head) + 7) & ~(size_t)7; }
  // Where a record of n bytes would go: its offset, and the gap left
  // before the end when it goes to the start; false when there is not room.
  bool Place(size_t n, size_t* pos, size_t* gap) const;
  // The oldest record's head and offset, and the total reading past it.
  Head FrontHead(size_t* pos, uint64_t* next) const;

  size_t capacity_;
  std::unique_ptr<uint8_t[]> bytes_;
  // Totals since the start, in bytes; the ring index is the total modulo
  // the capacity. Each is written by one thread only.
  std::atomic<uint64_t> written_{0};
  std::atomic<uint64_t> read_{0};
  uint64_t reserved_ = 0;  // the writer's: the end of the record reserved
};

#endif
