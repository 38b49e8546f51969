#include "writer/file_encoder.h"

#include <algorithm>

// Choices are compared on this many bytes past the longest shared start:
// a preset history can only be matched in the first 8192 bytes of a body,
// and beyond them the choices differ only through the trees' counts.
static const int32_t kTrialBytes = 8192 + 2048;
// The shared length K costs two bytes of the record.
static const uint64_t kSharedFieldBits = 16;

FileEncoder::FileEncoder(int level)
    : settings_(ParseSettingsForLevel(level)), chooser_(level) {}

uint64_t FileEncoder::EncodeWith(const ReferenceChoice& choice,
                                 const uint8_t* data, int32_t end,
                                 std::vector<uint8_t>* body) {
  // The coordinates the extractor sees: the preset history, then the
  // body bytes.
  PresetBounds preset = {0, 0};
  coordinates_.clear();
  if (choice.distance) {
    preset = PresetHistoryBounds(choice.shared, chooser_.SlotLength(choice.distance));
    const uint8_t* slot = chooser_.SlotData(choice.distance);
    coordinates_.insert(coordinates_.end(), slot + preset.start,
                        slot + preset.start + preset.length);
  }
  coordinates_.insert(coordinates_.end(), data + choice.shared, data + end);
  body->clear();
  return encoder_.Encode(coordinates_.data(), preset.length,
                         (int32_t)coordinates_.size(), settings_, body);
}

void FileEncoder::Encode(const uint8_t* data, int32_t size, EncodedFile* out) {
  std::vector<ReferenceChoice> choices = chooser_.Propose(data, size);
  ReferenceChoice best = choices[0];
  bool bodyReady = false;
  if (choices.size() > 1) {
    int32_t longest = 0;
    for (const ReferenceChoice& c : choices) longest = std::max(longest, c.shared);
    int32_t end = (int32_t)std::min<int64_t>(size, (int64_t)longest + kTrialBytes);
    uint64_t bestCost = UINT64_MAX;
    for (const ReferenceChoice& c : choices) {
      uint64_t cost = EncodeWith(c, data, end, &trial_) +
                      (c.distance ? kSharedFieldBits : 0);
      if (cost < bestCost) {
        bestCost = cost;
        best = c;
        // A trial over the whole file is the body itself.
        if (end == size) {
          out->body.swap(trial_);
          bodyReady = true;
        }
      }
    }
  }
  out->distance = best.distance;
  out->shared = best.shared;
  if (!bodyReady) EncodeWith(best, data, size, &out->body);
  chooser_.AddFile(data, size);
}
