// Codes one file entry's contents: tries the reference choices the
// chooser proposes on the file's first bytes, keeps the cheapest, and
// codes the whole body with it.
#ifndef CORVANE_WRITER_FILE_ENCODER_H
#define CORVANE_WRITER_FILE_ENCODER_H

#include <stdint.h>

#include <vector>

#include "writer/body_encoder.h"
#include "writer/reference_chooser.h"

struct EncodedFile {
  int distance = 0;     // reference distance, 0: none
  int32_t shared = 0;   // K
  std::vector<uint8_t> body;
};

class FileEncoder {
 public:
  explicit FileEncoder(int level);

  // Codes data[0 .. size) against the ring and then enters the file into
  // the ring, so the next call sees it as distance 1.
  void Encode(const uint8_t* data, int32_t size, EncodedFile* out);

 private:
  // Codes file bytes choice.shared to end - 1 behind the choice's preset
  // history; returns the body's length in bits.
  uint64_t EncodeWith(const ReferenceChoice& choice, const uint8_t* data,
                      int32_t end, std::vector<uint8_t>* body);

  ParseSettings settings_;
  ReferenceChooser chooser_;
  BodyEncoder encoder_;
  std::vector<uint8_t> coordinates_;
  std::vector<uint8_t> trial_;
};

#endif
