// Test data for coding in segments: text, random stretches, runs longer
// than the longest match and copies from up to the farthest distance
// back, cut into short pieces, so that matches of every kind cross
// wherever a segment of the coder's window ends.
#ifndef CORVANE_TESTS_ROUNDTRIP_PATCHWORK_H
#define CORVANE_TESTS_ROUNDTRIP_PATCHWORK_H

#include <stddef.h>
#include <stdint.h>

#include "tests/test_files.h"

// n bytes from a fixed seed, the same on every machine.
Bytes Patchwork(uint32_t seed, size_t n);

// a, then b.
Bytes Concat(const Bytes& a, const Bytes& b);

#endif
