// Turns "header, then the plain item stream" into a sound payload: the
// stream cut into blocks with their CRC trailers and, when the header's
// flags protect it, enciphered with a key whose check word goes into the
// header. Lets a fuzzer work on item records past the block checks.
#ifndef CORVANE_TESTS_FUZZ_RESEALED_PAYLOAD_H
#define CORVANE_TESTS_FUZZ_RESEALED_PAYLOAD_H

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

// The payload starts at program[payloadAt]. A header that ends before its
// protection fields leaves the program as it is.
void ResealPayload(std::vector<uint8_t>* program, size_t payloadAt, const std::string& key);

// The end of the header (the first byte of the block stream) of the payload
// at data[at], or 0 when the data ends inside it; *flagsAt receives the
// offset of the protection flags.
size_t HeaderEnd(const std::vector<uint8_t>& data, size_t at, size_t* flagsAt);

#endif
