// Character widths from wcwidth under C.UTF-8; without that locale every
// character past ASCII counts two columns: too wide, never too narrow.
#include "platform/char_columns.h"

#include <locale.h>
#include <wchar.h>

CharColumns::CharColumns() : state_((void*)newlocale(LC_CTYPE_MASK, "C.UTF-8", (locale_t)0)) {}

CharColumns::~CharColumns() {
  if (state_) freelocale((locale_t)state_);
}

int CharColumns::Of(uint32_t codePoint) const {
  if (codePoint < 0x7F) return 1;
  if (!state_) return 2;
  locale_t previous = uselocale((locale_t)state_);
  int w = wcwidth((wchar_t)codePoint);
  uselocale(previous);
  return w < 0 ? 1 : w;
}
