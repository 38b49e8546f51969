// FILETIME values as text for listings.
#ifndef CORVANE_CLI_FILE_TIME_TEXT_H
#define CORVANE_CLI_FILE_TIME_TEXT_H

#include <string>

#include "platform/platform.h"

// "2024-01-02 03:04:05" (UTC, whole seconds).
std::string FileTimeShort(FileTime t);
// "2024-01-02T03:04:05.1234567Z": every digit the stamp holds.
std::string FileTimeIso(FileTime t);

#endif
