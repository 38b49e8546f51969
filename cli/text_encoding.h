// Conversions between the host's UTF-8 and the archive's Shift-JIS (code
// page 932), through iconv.
#ifndef CORVANE_CLI_TEXT_ENCODING_H
#define CORVANE_CLI_TEXT_ENCODING_H

#include <string>

// Strict conversions: false when the text has no form in the other code.
bool Utf8ToSjis(const std::string& utf8, std::string* sjis);
bool SjisToUtf8(const std::string& sjis, std::string* utf8);

// For messages and listings: what converts, converted; every byte that
// does not, shown as \xNN.
std::string SjisForDisplay(const std::string& sjis);

// An archive path (Shift-JIS, backslashes) as the user sees it below the
// destination folder: "./a\b" becomes "DEST/a/b".
std::string ArchivePathForDisplay(const std::string& dest, const std::string& archivePath);

#endif
