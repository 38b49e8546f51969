// The stub that `corvane create` puts in front of the payload when no
// other is given: 26112 bytes that say what they are. An archive made with
// it lists, tests and extracts with corvane, but it is no Windows program.
#ifndef CORVANE_CLI_PLACEHOLDER_STUB_H
#define CORVANE_CLI_PLACEHOLDER_STUB_H

#include <stdint.h>

#include <vector>

std::vector<uint8_t> PlaceholderStub();

#endif
