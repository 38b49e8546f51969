// One file entry's contents coded under the best reference choice.
#include "writer/file_encoder.h"

#include <algorithm>

// Choices are compared on this many bytes past the longest shared start:
// a preset history can only be matched in the first 8192 bytes of a body,
// and beyond them the choices differ only through the trees' counts.
static const int32_t kTrialBytes = 8192 + 2048;
// The shared length K costs two bytes of the record.
static const uint64_t kSharedFieldBits = 16;

static bool SameParse(const ParseSettings& a, const ParseSettings& b) {
  return a.mode == b.mode && a.maxChain == b.maxChain && a.niceLength == b.niceLength &&
         a.lazyBelow == b.lazyBelow;
}

void PlanFile(ReferenceChooser* chooser, std::vector<uint8_t> bytes, FileJob* job) {
  job->size = (int32_t)bytes.size();
  job->data = std::move(bytes);
  job->data.resize(job->data.size() + kFinderPadding, 0);
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

FileEncoder::FileEncoder(const LevelSettings& settings) : settings_(settings) {}

uint64_t FileEncoder::EncodeWith(const FileJob::Option& option, const FileJob& job,
                                 int32_t end, const ParseSettings& parse,
                                 std::vector<uint8_t>* body) {
  body->clear();
  const ReferenceChoice& c = option.choice;
  if (option.preset.empty()) {
    // The file's own bytes are the coordinates, padding included.
    return encoder_.Encode(job.data.data() + c.shared, 0, end - c.shared, parse, body);
  }
  // The coordinates the extractor sees: the preset history, then the
  // body bytes.
  coordinates_.assign(option.preset.begin(), option.preset.end());
  coordinates_.insert(coordinates_.end(), job.data.begin() + c.shared,
                      job.data.begin() + end);
  int32_t size = (int32_t)coordinates_.size();
  coordinates_.resize(coordinates_.size() + kFinderPadding, 0);
  return encoder_.Encode(coordinates_.data(), (int32_t)option.preset.size(), size,
                         parse, body);
}

void FileEncoder::Encode(const FileJob& job, EncodedFile* out) {
  const std::vector<FileJob::Option>& options = job.options;
  const FileJob::Option* best = &options[0];
  bool bodyReady = false;
  if (options.size() > 1) {
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
        if (end == job.size && SameParse(settings_.trial, settings_.parse)) {
          out->body.swap(trial_);
          bodyReady = true;
        }
      }
    }
  }
  out->size = job.size;
  out->distance = best->choice.distance;
  out->shared = best->choice.shared;
  if (!bodyReady) EncodeWith(*best, job, job.size, settings_.parse, &out->body);
}
