// The writer's mirror of the reference ring, and the choice of a reference.
#include "writer/reference_chooser.h"

#include <string.h>

#include <algorithm>

static const int kMaxDistanceBack = kRingSlots - 1;
static const int32_t kSampledBytes = 8192;
// One position in 16 is sampled: about 500 samples for 8 KB of text.
static const int kSampleShift = 28;
// Fewer shared samples than this say nothing about a useful history.
static const int kMinScore = 4;
// A shared start this long wins without being tried against others.
static const int32_t kConvincingShared = 64;
// K costs two bytes of the record, so a shorter shared start saves
// nothing on its own.
static const int32_t kMinShared = 3;
// A history sharing this many samples beats coding without one: "no
// reference" is then not tried unless the settings ask for it.
static const int kSureScore = 16;

void SampleStart(const uint8_t* data, int32_t size, std::vector<uint32_t>* out) {
  out->clear();
  int32_t end = std::min(size, kSampledBytes);
  for (int32_t i = 0; i + 4 <= end; i++) {
    uint32_t v;
    memcpy(&v, data + i, 4);
    uint32_t h = v * 2654435761u;
    if ((h >> kSampleShift) == 0) out->push_back(v);
  }
  std::sort(out->begin(), out->end());
  out->erase(std::unique(out->begin(), out->end()), out->end());
}

ReferenceChooser::ReferenceChooser(const ChoiceSettings& settings)
    : settings_(settings) {}

const uint8_t* ReferenceChooser::SlotData(int distance) const {
  return slots_[SlotAt(distance)].data.data();
}

int32_t ReferenceChooser::SlotLength(int distance) const {
  return (int32_t)slots_[SlotAt(distance)].data.size();
}

// The first 8 bytes as a little-endian word, zeros past the end.
static uint64_t StartWord(const uint8_t* data, int32_t size) {
  uint8_t bytes[8] = {};
  if (size > 0) memcpy(bytes, data, (size_t)std::min(size, 8));  // an empty file may have no data
  uint64_t v;
  memcpy(&v, bytes, 8);
  return v;
}

void ReferenceChooser::AddFile(const uint8_t* data, int32_t size) {
  int number = SlotAt(0);
  Slot& slot = slots_[number];
  for (uint32_t s : slot.samples) index_.Remove(s, number);
  slot.data.assign(data, data + std::min(size, (int32_t)kSlotBytes));
  slotStart_[number] = StartWord(data, size);
  slotLength_[number] = (int32_t)slot.data.size();
  if (data == sampledData_ && size == sampledSize_)
    slot.samples.swap(samples_);
  else
    SampleStart(data, size, &slot.samples);
  sampledData_ = nullptr;
  sampledSize_ = -1;
  for (uint32_t s : slot.samples) index_.Add(s, number);
  filesSeen_++;
}

std::vector<ReferenceChoice> ReferenceChooser::Propose(const uint8_t* data,
                                                       int32_t size) {
  std::vector<ReferenceChoice> choices;
  int reach = (int)std::min<int64_t>(kMaxDistanceBack, filesSeen_);
  if (size == 0 || reach == 0) {
    choices.push_back({0, 0});
    return choices;
  }

  // Resemblance scores, by slot and then by distance. The slot about to
  // be reused (distance 256) is out of reach.
  SampleStart(data, size, &samples_);
  sampledData_ = data;
  sampledSize_ = size;
  int bySlot[kRingSlots] = {};
  for (uint32_t s : samples_) {
    const uint64_t* slots = index_.SlotsOf(s);
    if (!slots) continue;
    for (int w = 0; w < SampleIndex::kSlotWords; w++)
      for (uint64_t bits = slots[w]; bits; bits &= bits - 1)
        bySlot[w * 64 + __builtin_ctzll(bits)]++;
  }
  int score[kRingSlots] = {};
  for (int d = 1; d <= reach; d++) score[d] = bySlot[SlotAt(d)];

  // The longest shared start; among equal ones, the better history.
  // The first 8 bytes of every slot sit side by side and decide most
  // candidates without touching the slots' data.
  int bestShared = 0;
  int32_t longest = 0;
  uint64_t start = StartWord(data, size);
  for (int d = 1; d <= reach; d++) {
    int number = SlotAt(d);
    int32_t limit = std::min<int32_t>(size, slotLength_[number]);
    if (limit <= longest) continue;
    uint64_t differ = start ^ slotStart_[number];
    int32_t k;
    if (differ != 0) {
      k = std::min<int32_t>(limit, __builtin_ctzll(differ) >> 3);
      if (k == 0) continue;
    } else {
      const uint8_t* other = slots_[number].data.data();
      k = (int32_t)(std::mismatch(data, data + limit, other).first - data);
    }
    if (k > longest || (k == longest && k > 0 && score[d] > score[bestShared])) {
      longest = k;
      bestShared = d;
    }
  }

  // The best histories, highest score first, nearest first on ties.
  int wanted = std::max(settings_.histories, 1);
  std::vector<int> byScore;
  for (int d = 1; d <= reach; d++)
    if (score[d] >= kMinScore) byScore.push_back(d);
  std::stable_sort(byScore.begin(), byScore.end(),
                   [&](int a, int b) { return score[a] > score[b]; });
  if ((int)byScore.size() > wanted) byScore.resize((size_t)wanted);

  auto sharedWith = [&](int d) -> int32_t {
    const Slot& slot = slots_[SlotAt(d)];
    int32_t limit = std::min<int32_t>(size, (int32_t)slot.data.size());
    return (int32_t)(std::mismatch(data, data + limit, slot.data.data()).first - data);
  };

  if (settings_.histories == 0) {
    // One choice, no trials: a convincing shared start, else the best
    // history, else a short shared start, else nothing.
    if (longest >= kConvincingShared ||
        (longest >= kMinShared &&
         (byScore.empty() || score[bestShared] >= score[byScore[0]])))
      choices.push_back({bestShared, longest});
    else if (!byScore.empty())
      choices.push_back({byScore[0], sharedWith(byScore[0])});
    else
      choices.push_back({0, 0});
    return choices;
  }

  if (longest >= kMinShared) choices.push_back({bestShared, longest});
  for (int d : byScore)
    if (d != bestShared || longest < kMinShared) choices.push_back({d, sharedWith(d)});
  bool sure = longest >= kConvincingShared ||
              (!byScore.empty() && score[byScore[0]] >= kSureScore);
  if (settings_.alwaysTryNone || !sure || choices.empty()) choices.push_back({0, 0});
  return choices;
}
