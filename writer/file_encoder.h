// Codes one file entry's contents: tries the reference choices planned
// for it on the file's first bytes, keeps the cheapest, and codes the
// whole body with it.
//
// Planning and coding are apart so that coding can run on any thread:
// the plan is made in input order against the reference ring (which
// holds the first bytes of earlier *input* files, whatever their coding),
// and copies out of the ring all that the coding will need. A file's
// body then depends on its job alone.
#ifndef CORVANE_WRITER_FILE_ENCODER_H
#define CORVANE_WRITER_FILE_ENCODER_H

#include <stdint.h>

#include <vector>

#include "writer/body_encoder.h"
#include "writer/level_settings.h"
#include "writer/reference_chooser.h"

struct FileJob {
  // The file's bytes, then kFinderPadding more so that the finder may
  // read past the end; size counts the file's bytes alone.
  std::vector<uint8_t> data;
  int32_t size = 0;
  struct Option {
    ReferenceChoice choice;
    std::vector<uint8_t> preset;  // the preset history the choice brings
  };
  std::vector<Option> options;  // never empty; the most promising first
};

// Takes the file's bytes (the padding is added here), plans its reference
// choices with the ring as it stands, and enters the file into the ring,
// so the next file sees it as distance 1.
void PlanFile(ReferenceChooser* chooser, std::vector<uint8_t> bytes, FileJob* job);

struct EncodedFile {
  int32_t size = 0;     // of the file
  int distance = 0;     // reference distance, 0: none
  int32_t shared = 0;   // K
  std::vector<uint8_t> body;
};

class FileEncoder {
 public:
  explicit FileEncoder(const LevelSettings& settings);

  void Encode(const FileJob& job, EncodedFile* out);

 private:
  // Codes file bytes option.choice.shared to end - 1 behind the option's
  // preset history; returns the body's length in bits.
  uint64_t EncodeWith(const FileJob::Option& option, const FileJob& job,
                      int32_t end, const ParseSettings& parse,
                      std::vector<uint8_t>* body);

  LevelSettings settings_;
  BodyEncoder encoder_;
  std::vector<uint8_t> coordinates_;
  std::vector<uint8_t> trial_;
};

#endif
