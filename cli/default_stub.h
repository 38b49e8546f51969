// The stub corvane create puts in front when --stub names none: the real
// Windows stub when the build embedded it, the placeholder otherwise.
#ifndef CORVANE_CLI_DEFAULT_STUB_H
#define CORVANE_CLI_DEFAULT_STUB_H

#include <stdint.h>

#include <vector>

std::vector<uint8_t> DefaultStub();

// Whether DefaultStub is the real Windows stub.
bool HaveWindowsStub();

#endif
