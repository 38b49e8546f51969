// The whole of a file or of standard input, for the texts corvane reads
// (passwords, descriptions, lists of paths).
#ifndef CORVANE_CLI_READ_INPUT_H
#define CORVANE_CLI_READ_INPUT_H

#include <string>

// Reads all of `path` ("-": standard input) into *text. False with errno
// set when it cannot be opened or read (a folder fails with EISDIR, not as
// an empty text).
bool ReadWholeInput(const std::string& path, std::string* text);

#endif
