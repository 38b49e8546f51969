// The stub corvane create uses when --stub names none.
#include "cli/default_stub.h"

#include "cli/placeholder_stub.h"

#ifdef CORVANE_EMBEDDED_STUB
#include "cli/embedded_stub.h"

std::vector<uint8_t> DefaultStub() {
  return std::vector<uint8_t>(kEmbeddedStub, kEmbeddedStub + kEmbeddedStubSize);
}
bool HaveWindowsStub() { return true; }
#else
std::vector<uint8_t> DefaultStub() { return PlaceholderStub(); }
bool HaveWindowsStub() { return false; }
#endif
