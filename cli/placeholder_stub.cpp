// The placeholder stub of builds without the cross compiler.
#include "cli/placeholder_stub.h"

#include <string.h>

#include "payload/payload_layout.h"

std::vector<uint8_t> PlaceholderStub() {
  static const char kText[] =
      "CORVANE PLACEHOLDER STUB\r\n"
      "This file is an archive for corvane (list, test, extract). Its first\r\n"
      "26112 bytes are a placeholder, not a Windows program.\r\n";
  std::vector<uint8_t> stub((size_t)kStubSize, 0);
  memcpy(stub.data(), kText, sizeof kText - 1);
  return stub;
}
