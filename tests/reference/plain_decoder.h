// A body decoder written the plain way: a call per bit, a tree walk per
// bit, the plain tree build at every rebuild point and a PutByte per byte.
// Set as Extraction::decodeBody, it lets a test run the whole engine with
// it and compare every byte with the engine's own decoder.
#ifndef CORVANE_TESTS_REFERENCE_PLAIN_DECODER_H
#define CORVANE_TESTS_REFERENCE_PLAIN_DECODER_H

#include <stdint.h>

#include "engine/extraction.h"

bool PlainDecodeFileBody(Extraction* x, int32_t length);

#endif
