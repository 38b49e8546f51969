// Archive texts and paths as corvane shows them on a UTF-8 terminal.
#ifndef CORVANE_CLI_DISPLAY_TEXT_H
#define CORVANE_CLI_DISPLAY_TEXT_H

#include <string>

// For messages and listings: what converts, converted; every byte that
// does not, shown as \xNN.
std::string SjisForDisplay(const std::string& sjis);

// An archive path (Shift-JIS, backslashes) as the user sees it below the
// destination folder: "./a\b" becomes "DEST/a/b".
std::string ArchivePathForDisplay(const std::string& dest, const std::string& archivePath);

#endif
