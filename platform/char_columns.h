// How many terminal columns one character takes: 2 for East Asian wide
// ones, 0 for combining marks, 1 for the rest. POSIX asks the C library's
// wcwidth under a UTF-8 locale of its own (char_columns_posix.cpp);
// Windows, which has none, keeps a table (char_columns_win32.cpp).
#ifndef CORVANE_PLATFORM_CHAR_COLUMNS_H
#define CORVANE_PLATFORM_CHAR_COLUMNS_H

#include <stdint.h>

class CharColumns {
 public:
  CharColumns();
  ~CharColumns();
  CharColumns(const CharColumns&) = delete;
  CharColumns& operator=(const CharColumns&) = delete;

  // Characters the table does not know (unassigned, private use) count one.
  int Of(uint32_t codePoint) const;

 private:
  void* state_;
};

#endif
