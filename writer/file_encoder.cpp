// One file entry's contents coded under the best reference choice.
#include "writer/file_encoder.h"

#include <algorithm>

// The shared length K costs two bytes of the record.
static const uint64_t kSharedFieldBits = 16;

static bool SameParse(const ParseSettings& a, const ParseSettings& b) {
  return a.mode == b.mode && a.maxChain == b.maxChain && a.niceLength == b.niceLength &&
         a.lazyBelow == b.lazyBelow;
}

// The bytes of a body coded as the file is read: what the job holds past
// the shared start, then the rest of the file.
class JoinedSource : public BodySource {
 public:
  JoinedSource(const uint8_t* held, size_t heldLength, BodySource* rest)
      : held_(held, heldLength), heldLeft_(heldLength), rest_(rest) {}
  bool Read(uint8_t* into, size_t n) override {
    size_t take = std::min(n, heldLeft_);
    if (!held_.Read(into, take)) return false;
    heldLeft_ -= take;
    return take == n || rest_->Read(into + take, n - take);
  }

 private:
  MemorySource held_;
  size_t heldLeft_;
  BodySource* rest_;
};

void PlanFileStart(ReferenceChooser* chooser, std::vector<uint8_t> start, int32_t size,
                   FileJob* job) {
  job->size = size;
  job->data = std::move(start);
  job->options.clear();
  for (const ReferenceChoice& c : chooser->Propose(job->data.data(), job->size)) {
    FileJob::Option option;
    option.choice = c;
    if (c.distance) {
      PresetBounds preset = PresetHistoryBounds(c.shared, chooser->SlotLength(c.distance));
      const uint8_t* slot = chooser->SlotData(c.distance);
      option.preset.assign(slot + preset.start, slot + preset.start + preset.length);
    }
    job->options.push_back(std::move(option));
  }
  chooser->AddFile(job->data.data(), job->size);
}

void PlanFile(ReferenceChooser* chooser, std::vector<uint8_t> bytes, FileJob* job) {
  int32_t size = (int32_t)bytes.size();
  PlanFileStart(chooser, std::move(bytes), size, job);
}

FileEncoder::FileEncoder(const LevelSettings& settings, int32_t segmentBytes)
    : settings_(settings), encoder_(segmentBytes) {}

uint64_t FileEncoder::EncodeWith(const FileJob::Option& option, const FileJob& job,
                                 int32_t end, const ParseSettings& parse,
                                 std::vector<uint8_t>* body) {
  body->clear();
  // The coordinates the extractor sees: the preset history, then the
  // body bytes.
  const ReferenceChoice& c = option.choice;
  MemorySource source(job.data.data() + c.shared, (size_t)(end - c.shared));
  uint64_t bits = 0;
  encoder_.Encode(option.preset.data(), (int32_t)option.preset.size(), &source,
                  end - c.shared, parse, body, &bits);
  return bits;
}

const FileJob::Option& FileEncoder::Best(const FileJob& job, std::vector<uint8_t>* body,
                                         bool* bodyReady) {
  const std::vector<FileJob::Option>& options = job.options;
  const FileJob::Option* best = &options[0];
  *bodyReady = false;
  if (options.size() == 1) return *best;
  int32_t longest = 0;
  for (const FileJob::Option& o : options) longest = std::max(longest, o.choice.shared);
  int32_t end = (int32_t)std::min<int64_t>(job.size, (int64_t)longest + kTrialBytes);
  uint64_t bestCost = UINT64_MAX;
  for (const FileJob::Option& o : options) {
    uint64_t cost = EncodeWith(o, job, end, settings_.trial, &trial_) +
                    (o.choice.distance ? kSharedFieldBits : 0);
    if (cost < bestCost) {
      bestCost = cost;
      best = &o;
      // A trial over the whole file with the body's parse is the body.
      *bodyReady = end == job.size && SameParse(settings_.trial, settings_.parse);
      if (*bodyReady) body->swap(trial_);
    }
  }
  return *best;
}

void FileEncoder::Encode(const FileJob& job, EncodedFile* out) {
  bool bodyReady;
  const FileJob::Option& best = Best(job, &out->body, &bodyReady);
  out->size = job.size;
  out->distance = best.choice.distance;
  out->shared = best.choice.shared;
  if (!bodyReady) EncodeWith(best, job, job.size, settings_.parse, &out->body);
}

const FileJob::Option& FileEncoder::Choose(const FileJob& job, EncodedFile* out) {
  bool bodyReady;
  const FileJob::Option& best = Best(job, &out->body, &bodyReady);
  out->size = job.size;
  out->distance = best.choice.distance;
  out->shared = best.choice.shared;
  out->body.clear();
  return best;
}

bool FileEncoder::EncodeRest(const FileJob& job, const FileJob::Option& chosen,
                             BodySource* rest, std::vector<uint8_t>* body,
                             const std::function<bool()>& segmentDone) {
  const ReferenceChoice& c = chosen.choice;
  int32_t held = std::min<int32_t>((int32_t)job.data.size(), job.size);
  JoinedSource source(job.data.data() + c.shared, (size_t)(held - c.shared), rest);
  uint64_t bits;
  return encoder_.Encode(chosen.preset.data(), (int32_t)chosen.preset.size(), &source,
                         job.size - c.shared, settings_.parse, body, &bits, segmentDone);
}
