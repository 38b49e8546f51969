// The coded body of a file: literals and matches under two adaptive code
// trees, rebuilt at the format's rebuild points (payload/format.h).
#ifndef CORVANE_ENGINE_SYMBOL_DECODER_H
#define CORVANE_ENGINE_SYMBOL_DECODER_H

#include <stdint.h>

#include "engine/extraction.h"

// Decodes body bytes into the output window until `length` bytes (the
// file's size less K) are out or the run is cancelled. False when the body
// is malformed (a match reaching before the history); read and write
// failures are left in the reader's status and the window's flag.
bool DecodeFileBody(Extraction* x, int32_t length);

#endif
