// The command line's own face: the version, `help [COMMAND]`, the exit codes
// at the end of every help, and parse errors in corvane's form.
#ifndef CORVANE_CLI_HELP_TEXT_H
#define CORVANE_CLI_HELP_TEXT_H

#include <CLI/CLI.hpp>
#include <string>

// The build's project version ("0.1.0").
const char* CorvaneVersion();

// The exit codes a command can give, as the end of its help; for the main
// help (command empty) every code, each command's own meanings named.
std::string ExitCodeTable(const std::string& command);

// Where the parse of `help [COMMAND]` lands.
struct HelpRequest {
  CLI::App* command = nullptr;
  std::string topic;
};

// Call once every subcommand is in place: adds -V/--version and the `help`
// command, ends each help with its exit codes (after any footer it has),
// and makes parse errors read "corvane: ...".
void AddHelpAndVersion(CLI::App& app, HelpRequest* help);

// Parses the command line. True when a command is to run; otherwise what
// was asked for (help, version) went to standard output, or the error to
// standard error, and *exitCode holds the code to end with.
bool ParseCommandLine(CLI::App& app, const HelpRequest& help, int argc, char** argv,
                      int* exitCode);

#endif
