// corvane: lists, tests, extracts and creates self-extracting archives.
#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "cli/help_text.h"
#include "platform/console.h"

// What list, test and extract take alike: the archive, the members and
// --exclude.
static void AddReadArguments(CLI::App* command, ReadOptions* o) {
  command->add_option("archive", o->archive, "The archive ('-': standard input)")->required();
  command->add_option("members", o->members,
                      "Only these items: stored names or shell patterns with '/' "
                      "(a folder takes what is below it)");
  command->add_option("--exclude", o->excludes,
                      "Leave out what matches this shell pattern (the stored name with '/', "
                      "or its last part); repeatable")
      ->allow_extra_args(false);
}

int main(int argc, char** argv) {
  ConsoleStartProcess(&argc, &argv);
  CLI::App app{"corvane: list, test, extract and create self-extracting archives", "corvane"};
  app.require_subcommand(1);
  // Options begin with '-' on every host: on Windows CLI11 would also take
  // "/x" for one, and a path such as "/tmp/a.exe" with it.
  app.allow_windows_style_options(false);

  ListOptions listOptions;
  CLI::App* list = app.add_subcommand("list", "List the items, the description and the run command");
  AddReadArguments(list, &listOptions.read);
  list->add_option("--password-file", listOptions.read.passwordFile,
                   "Read the password from this file ('-': standard input)");
  list->add_flag("--json", listOptions.json, "Print JSON for scripts (times in UTC)");
  list->add_flag("-q,--quiet", listOptions.quiet, "No summary line");
  list->add_flag("--utc", listOptions.utc, "Times in UTC (default: local time)");
  list->add_flag("-v,--verbose", listOptions.verbose,
                 "Each item's stored bytes (its record and coded body) and ratio, and the totals");

  ReadOptions testOptions;
  bool testQuiet = false;
  CLI::App* test = app.add_subcommand("test", "Decode everything and check every block, writing nothing");
  AddReadArguments(test, &testOptions);
  test->add_option("--password-file", testOptions.passwordFile,
                   "Read the password from this file ('-': standard input)");
  test->add_flag("-q,--quiet", testQuiet, "No progress and no summary");

  ExtractOptions extractOptions;
  bool overwrite = false, skipExisting = false, rename = false;
  CLI::App* extract = app.add_subcommand("extract", "Extract the folders and files");
  AddReadArguments(extract, &extractOptions.read);
  extract->add_option("-d,--dest", extractOptions.dest, "Destination folder (made if missing)");
  extract->add_option("--password-file", extractOptions.read.passwordFile,
                      "Read the password from this file ('-': standard input)");
  CLI::Option* ow = extract->add_flag("--overwrite", overwrite, "Overwrite existing files");
  CLI::Option* skip = extract->add_flag("--skip-existing", skipExisting, "Keep existing files")
      ->excludes(ow);
  extract->add_flag("--rename", rename,
                    "Write a file whose name is taken under a free one, 'NAME (1).EXT'")
      ->excludes(ow)
      ->excludes(skip);
  extract->add_flag("-O,--to-stdout", extractOptions.toStdout,
                    "Write the files' bytes to standard output, in archive order, and nothing "
                    "to disk");
  extract->add_flag("-q,--quiet", extractOptions.quiet, "No progress bar");
  extract->add_option("--threads", extractOptions.threads,
                      "1: decode and write on one thread; 2: write the files on a second "
                      "(default where there are two processors)")
      ->check(CLI::Range(1, 2));

  CreateOptions createOptions;
  CLI::App* create = app.add_subcommand("create", "Create an archive from folders and files");
  create->add_option("output", createOptions.output, "The archive to write")->required();
  CLI::Option* paths =
      create->add_option("paths", createOptions.inputs, "Folders and files to put in it");
  // Applies to the paths that follow it: the number of paths given so far
  // marks where.
  create->add_option_function<std::string>(
          "-C,--directory",
          [&](const std::string& dir) {
            createOptions.directories.push_back({paths->results().size(), dir});
          },
          "Take the paths that follow (and those of -T) relative to this folder, as tar does")
      ->trigger_on_parse()
      ->allow_extra_args(false);
  create->add_option("--description", createOptions.description,
                     "Description text, or @FILE to read it (UTF-8)");
  create->add_option("--run", createOptions.runCommand,
                     "Document or program the stub opens after extracting");
  create->add_option("--password-file", createOptions.passwordFile,
                     "Protect with the password in this file ('-': standard input)");
  create->add_flag("--mask-password", createOptions.maskPassword,
                   "Have the stub show '*' for each typed character");
  CLI::Option* level = create->add_option("--level", createOptions.level, "1 fast, 2 default, 3 best")
      ->check(CLI::Range(1, 3));
  bool best = false;
  create->add_flag("--best", best, "The strongest compression (the same as --level 3)")
      ->excludes(level);
  create->add_option("--threads", createOptions.threads,
                     "Threads that code file bodies (default: one per processor); "
                     "the archive is the same whatever the number")
      ->check(CLI::Range(1, 256));
  create->add_option("--stub", createOptions.stubFile, "Use this 26112-byte stub");
  create->add_option("--icon", createOptions.iconFile,
                     "Give the stub this icon (.ico or PNG) in place of its own (the built-in "
                     "stub's: 32x32 in 16 colours)");
  create->add_flag("--force", createOptions.force,
                   "Replace the output even when it is not an archive");
  create->add_flag("--strict", createOptions.strict,
                   "End with nothing written at the first input that cannot be taken "
                   "(default: leave it out, say so, and exit with 7)");
  create->add_option("--exclude", createOptions.excludes,
                     "Leave out what matches this shell pattern (the stored name with '/', "
                     "or its last part); repeatable")
      ->allow_extra_args(false);
  create->add_option("-T,--files-from", createOptions.filesFrom,
                     "Take more paths from this file, one a line ('-': standard input)");
  create->add_flag("--follow-links", createOptions.followLinks,
                   "Store what the links inside folders point to (default: skip them)");
  create->add_flag("-q,--quiet", createOptions.quiet, "No progress bar and no summary");
  create->footer(
      "SOURCE_DATE_EPOCH: no stored time is later, and access times are the write times, so "
      "that the same tree gives the same archive.");

  HelpRequest help;
  AddHelpAndVersion(app, &help);
  int exitCode;
  if (!ParseCommandLine(app, help, argc, argv, &exitCode)) return exitCode;

  if (*list) return ListCommand(listOptions);
  if (*test) return TestCommand(testOptions, testQuiet);
  if (*extract) {
    extractOptions.policy = overwrite      ? OverwritePolicy::kAlways
                            : skipExisting ? OverwritePolicy::kNever
                            : rename       ? OverwritePolicy::kRename
                                           : OverwritePolicy::kAsk;
    return ExtractCommand(extractOptions);
  }
  if (best) createOptions.level = kStrongestLevel;
  return CreateCommand(createOptions);
}
