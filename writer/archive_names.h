// What may be an item name: a relative Shift-JIS path with backslashes
// between its levels that extracts to exactly the file or folder it
// names, on Windows as on the host tools.
#ifndef CORVANE_WRITER_ARCHIVE_NAMES_H
#define CORVANE_WRITER_ARCHIVE_NAMES_H

#include <string>

// Checks one level of a name (no separators in it) given in Shift-JIS.
// False with *why (English) for an empty level, "." or "..", a character
// Windows forbids in names (< > : " / \ | ? * and control bytes), a name
// that ends in a dot or a space, or one that ends inside a double-byte
// character.
bool CheckNameLevel(const std::string& level, std::string* why);

// Checks a whole item name as the caller gives it: a file's name, or a
// folder's without its trailing "\." ("." alone is the root folder).
// First the extractor's own check on Windows (paths/name_safety.h: no
// root, drive, stream, climb or device name), so that the two can never
// disagree; then each level (CheckNameLevel), split at backslashes found
// by the character step, so the second byte 0x5C of 表 or ソ is not a
// separator. A name must also not start with "*" (the lead of a reused
// name) nor read back as a folder entry (end in the bytes "\.") when it
// is a file, and must fit a Windows path below the shortest destination,
// a drive root ("C:\"): 259 bytes for a file, 247 for a folder (the ANSI
// calls' limits). A name that fits there but not below a destination of
// ordinary length (64 bytes, "C:\Users\someone\Downloads\archive\")
// passes with a *warning when one is asked for.
bool CheckItemName(const std::string& name, bool isFolder, std::string* why,
                   std::string* warning = nullptr);

#endif
