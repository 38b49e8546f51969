// The items of a section of corvane's help text, as the man page and the
// bash completion must know them.
#ifndef CORVANE_TESTS_CLI_HELP_SECTIONS_H
#define CORVANE_TESTS_CLI_HELP_SECTIONS_H

#include <string>
#include <vector>

// The names listed under `heading` ("Subcommands:", "Options:"): the first
// word of each item line, split at commas ("-d,--dest" gives "-d" and
// "--dest"), in the order of the help.
std::vector<std::string> HelpItems(const std::string& help, const std::string& heading);

#endif
