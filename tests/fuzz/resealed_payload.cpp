// Turns "header, then the plain item stream" into a sound payload.
#include "tests/fuzz/resealed_payload.h"

#include "payload/password.h"
#include "writer/block_writer.h"
#include "writer/byte_sink.h"

size_t HeaderEnd(const std::vector<uint8_t>& data, size_t at, size_t* flagsAt) {
  size_t p = at + 4;  // the expected size
  for (int text = 0; text < 2; text++) {  // description, run command
    while (p < data.size() && data[p] != 0) p++;
    if (p >= data.size()) return 0;
    p++;
  }
  if (p >= data.size()) return 0;
  *flagsAt = p;
  p += data[p] ? 3 : 1;  // the flags, and the check word when protected
  return p <= data.size() ? p : 0;
}

void ResealPayload(std::vector<uint8_t>* program, size_t payloadAt, const std::string& key) {
  size_t flagsAt = 0;
  size_t streamAt = HeaderEnd(*program, payloadAt, &flagsAt);
  if (!streamAt) return;
  uint8_t flags = (*program)[flagsAt];
  if (flags) {
    uint16_t check = PasswordCheckValue((const uint8_t*)key.data(), (int)key.size());
    uint16_t word = (uint16_t)(check ^ (flags << 8 | flags));
    (*program)[flagsAt + 1] = (uint8_t)word;
    (*program)[flagsAt + 2] = (uint8_t)(word >> 8);
  }
  std::vector<uint8_t> plain(program->begin() + (ptrdiff_t)streamAt, program->end());
  program->resize(streamAt);
  if (plain.empty()) return;  // no blocks at all: the reader must refuse that
  VectorSink sink(program);
  BlockWriter blocks(&sink, flags ? key : std::string());
  blocks.Put(plain.data(), plain.size());
  blocks.Finish();
}
