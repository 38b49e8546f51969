// The whole of a file or of standard input, for the texts corvane reads
// (passwords, descriptions, lists of paths).
#ifndef CORVANE_CLI_READ_INPUT_H
#define CORVANE_CLI_READ_INPUT_H

#include <string>

// Reads all of `path` ("-": standard input) into *text. False with errno
// set when it cannot be opened or read (a folder fails with EISDIR, not as
// an empty text), or with EFBIG when it holds more than `limit` bytes: a
// device or a pipe without end would otherwise take all memory.
bool ReadWholeInput(const std::string& path, std::string* text,
                    size_t limit = std::string::npos);

#endif
