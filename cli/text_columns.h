// How many terminal columns UTF-8 text takes, and text cut to fit a number
// of columns on character boundaries, so that a cut never splits a UTF-8
// sequence and a line never wraps.
#ifndef CORVANE_CLI_TEXT_COLUMNS_H
#define CORVANE_CLI_TEXT_COLUMNS_H

#include <stdint.h>

#include <string>

#include "platform/char_columns.h"

class TextColumns {
 public:
  // Widths come from the platform (the program's locale stays as it is).
  TextColumns() = default;
  TextColumns(const TextColumns&) = delete;
  TextColumns& operator=(const TextColumns&) = delete;

  // Columns of one character: 2 for East Asian wide ones, 0 for combining
  // marks, 1 for the rest (a byte that is not UTF-8 shows as one).
  int CharWidth(uint32_t codePoint) const;
  int Width(const std::string& utf8) const;

  // The end of the text in at most `columns` columns; when the whole does
  // not fit, "..." and as many whole characters from the end as fit
  // behind it.
  std::string KeepEnd(const std::string& utf8, int columns) const;

 private:
  CharColumns columns_;
};

// The character of UTF-8 text at `at`: its code point and its length in
// bytes. A byte that starts no valid sequence is a character of its own
// (code point 0xFFFD, length 1).
size_t NextUtf8Char(const std::string& text, size_t at, uint32_t* codePoint);

// Control characters (C0, DEL, C1) replaced by '?': a name from an archive
// must not drive the terminal.
std::string PrintableText(const std::string& utf8);

#endif
