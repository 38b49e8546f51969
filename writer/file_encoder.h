// Codes one file entry's contents: tries the reference choices planned
// for it on the file's first bytes, keeps the cheapest, and codes the
// whole body with it.
//
// Planning and coding are apart so that coding can run on any thread:
// the plan is made in input order against the reference ring (which
// holds the first bytes of earlier *input* files, whatever their coding),
// and copies out of the ring all that the coding will need. A file's
// body then depends on its job alone.
//
// A job holds the whole file, or, for a file too large to hold, only its
// first kPlannedBytes: all that planning and the trials read. The rest of
// such a file is handed to the coder as it is read.
#ifndef CORVANE_WRITER_FILE_ENCODER_H
#define CORVANE_WRITER_FILE_ENCODER_H

#include <stdint.h>

#include <functional>
#include <vector>

#include "payload/format.h"
#include "writer/body_encoder.h"
#include "writer/level_settings.h"
#include "writer/reference_chooser.h"

// Choices are compared on this many bytes past the longest shared start:
// a preset history can only be matched in the first 8192 bytes of a body,
// and beyond them the choices differ only through the trees' counts.
const int32_t kTrialBytes = 8192 + 2048;

// What planning and the trials read of a file: the bytes a reference slot
// keeps (the longest a shared start can be), then the trial span.
const int32_t kPlannedBytes = kSlotBytes + kTrialBytes;

struct FileJob {
  // The file's bytes: all of them, or at least its first kPlannedBytes
  // when it is coded as it is read. size counts the whole file.
  std::vector<uint8_t> data;
  int32_t size = 0;
  struct Option {
    ReferenceChoice choice;
    std::vector<uint8_t> preset;  // the preset history the choice brings
  };
  std::vector<Option> options;  // never empty; the most promising first
};

// Takes the file's bytes, plans its reference choices with the ring as it
// stands, and enters the file into the ring, so the next file sees it as
// distance 1.
void PlanFile(ReferenceChooser* chooser, std::vector<uint8_t> bytes, FileJob* job);

// The same for a file of `size` bytes of which `start` holds the first
// min(size, kPlannedBytes) or more.
void PlanFileStart(ReferenceChooser* chooser, std::vector<uint8_t> start, int32_t size,
                   FileJob* job);

struct EncodedFile {
  int32_t size = 0;     // of the file
  int distance = 0;     // reference distance, 0: none
  int32_t shared = 0;   // K
  std::vector<uint8_t> body;
};

class FileEncoder {
 public:
  explicit FileEncoder(const LevelSettings& settings,
                       int32_t segmentBytes = BodyEncoder::kDefaultSegment);

  // Codes a job that holds the whole file.
  void Encode(const FileJob& job, EncodedFile* out);

  // For a file coded as it is read: picks the reference choice from the
  // job's bytes and fills in out's size, distance and K, which the record
  // needs before the body...
  const FileJob::Option& Choose(const FileJob& job, EncodedFile* out);

  // ...and then codes the body under that choice, with the file's bytes
  // past the job's data read from `rest`. The body's bytes are appended
  // to *body as they are made, and segmentDone is called between
  // segments (see BodyEncoder::Encode, also for the result).
  bool EncodeRest(const FileJob& job, const FileJob::Option& chosen, BodySource* rest,
                  std::vector<uint8_t>* body, const std::function<bool()>& segmentDone);

 private:
  // The option the trials find cheapest; with *bodyReady set, a trial was
  // the whole body under the body's own parse and is left in *body.
  const FileJob::Option& Best(const FileJob& job, std::vector<uint8_t>* body,
                              bool* bodyReady);

  // Codes file bytes option.choice.shared to end - 1 behind the option's
  // preset history, all from the job's data; returns the body's length in
  // bits.
  uint64_t EncodeWith(const FileJob::Option& option, const FileJob& job,
                      int32_t end, const ParseSettings& parse,
                      std::vector<uint8_t>* body);

  LevelSettings settings_;
  BodyEncoder encoder_;
  std::vector<uint8_t> trial_;
};

#endif
