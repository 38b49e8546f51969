// FILETIME values as text for listings.
#ifndef CORVANE_CLI_FILE_TIME_TEXT_H
#define CORVANE_CLI_FILE_TIME_TEXT_H

#include <string>

#include "platform/platform.h"

// "2024-01-02 03:04:05": whole seconds, in UTC or in the local time zone
// (TZ, as the C library reads it).
std::string FileTimeShort(FileTime t, bool utc);
// "2024-01-02T03:04:05.1234567Z": every digit the stamp holds.
std::string FileTimeIso(FileTime t);

#endif
