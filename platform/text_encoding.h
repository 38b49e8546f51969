// Text between the host's UTF-8 and the archive's Shift-JIS (code page
// 932): the one conversion of the host build, with Windows' table for
// that code page (ICU's, see text_encoding.cpp). The platform maps archive
// paths with it, corvane converts names, texts and passwords, the writer
// the names it stores.
#ifndef CORVANE_PLATFORM_TEXT_ENCODING_H
#define CORVANE_PLATFORM_TEXT_ENCODING_H

#include <stddef.h>

#include <string>

// Converts n bytes of Shift-JIS to UTF-8 (toUtf8) or back, into out. The
// length written, or -1 when the text has no form in the other code, or -2
// when it does not fit in cap bytes.
int ConvertText(bool toUtf8, const char* in, size_t n, char* out, size_t cap);

// Strict conversions: false when the text has no form in the other code.
bool Utf8ToSjis(const std::string& utf8, std::string* sjis);
bool SjisToUtf8(const std::string& sjis, std::string* utf8);

#endif
