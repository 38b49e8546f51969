// The command line's own face: the version, `help [COMMAND]`, the exit codes
// at the end of every help, and parse errors in corvane's form.
#include "cli/help_text.h"

#include <ctype.h>
#include <string.h>

#include <algorithm>
#include <iostream>
#include <vector>

#include "cli/default_stub.h"
#include "cli/exit_codes.h"

#ifndef CORVANE_VERSION
#error "CORVANE_VERSION comes from the project version in CMakeLists.txt"
#endif

namespace {

// One meaning of an exit code. `commands` names the commands it belongs to
// (space-separated), or is null for all of them. A code may have several
// rows; the README's table says the same in prose.
struct ExitCodeRow {
  ExitCode code;
  const char* commands;
  const char* meaning;
};

const ExitCodeRow kExitCodeRows[] = {
    {kExitSuccess, nullptr, "success"},
    {kExitDamaged, "list test extract", "damaged, truncated or unreadable archive"},
    {kExitDamaged, "extract", "the file in hand is removed, files finished earlier stay"},
    {kExitUsage, nullptr, "usage error"},
    {kExitUsage, "create",
     "an output that is not an archive (see --force), or the output among the inputs"},
    {kExitWrongPassword, "list test extract", "wrong or missing password"},
    {kExitWriteFailed, "extract", "a file or folder could not be written"},
    {kExitWriteFailed, "create", "the archive could not be written"},
    {kExitCancelled, "list test extract",
     "cancelled: interrupted (Ctrl-C, SIGTERM, SIGHUP; extract removes the file in hand), a "
     "question answered Cancel, or one that no terminal could answer"},
    {kExitCancelled, "create", "interrupted (Ctrl-C, SIGTERM, SIGHUP), nothing left behind"},
    {kExitInputFailed, "create",
     "an input could not be taken (--strict), a file it reads (description, password, icon, "
     "stub, -T list) could not be read or used, or nothing was left to store; nothing written"},
    {kExitInputsLeftOut, "create",
     "written, but inputs were left out (each named on standard error)"},
    {kExitInputsChanged, "create",
     "written, but files changed while they were read (stored as read, each named in a "
     "warning)"},
    {kExitNoMatch, "list test extract",
     "a MEMBER matched no item (each named on standard error); the rest was done"},
};

bool Names(const char* commands, const std::string& command) {
  std::string padded = std::string(" ") + commands + " ";
  return padded.find(" " + command + " ") != std::string::npos;
}

bool OneCommand(const char* commands) { return strchr(commands, ' ') == nullptr; }

// Appends the words of `text` to `out`, which stands at `*column`, in
// lines of at most `width` columns; a new line starts with `indent` spaces.
// The texts are ASCII.
void AppendWrapped(const std::string& text, size_t indent, size_t width, std::string* out,
                   size_t* column) {
  size_t at = 0;
  while (at < text.size()) {
    size_t end = std::min(text.find(' ', at), text.size());
    size_t length = end - at;
    if (*column > indent && *column + 1 + length > width) {
      *out += "\n" + std::string(indent, ' ');
      *column = indent;
    } else if (*column > indent) {
      *out += ' ';
      ++*column;
    }
    out->append(text, at, length);
    *column += length;
    at = end + 1;
  }
}

std::vector<CLI::App*> Commands(const CLI::App& app) {
  std::vector<CLI::App*> all =
      const_cast<CLI::App&>(app).get_subcommands([](CLI::App*) { return true; });
  return all;
}

CLI::App* FindCommand(const CLI::App& app, const std::string& name) {
  for (CLI::App* c : Commands(app))
    if (c->get_name() == name) return c;
  return nullptr;
}

bool IsMainOption(const CLI::App& app, const std::string& arg) {
  for (const CLI::Option* o : app.get_options())
    if (o->check_name(arg)) return true;
  return false;
}

// "list, test, extract, create or help"
std::string CommandList(const CLI::App& app) {
  std::vector<CLI::App*> all = Commands(app);
  std::string out;
  for (size_t i = 0; i < all.size(); ++i) {
    if (i > 0) out += i + 1 == all.size() ? " or " : ", ";
    out += all[i]->get_name();
  }
  return out;
}

size_t EditDistance(const std::string& a, const std::string& b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      size_t above = row[j];
      bool same = tolower((unsigned char)a[i - 1]) == tolower((unsigned char)b[j - 1]);
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (same ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

// The command a mistyped name most likely meant: one a short name starts,
// or the nearest within two edits; empty when none is near.
std::string NearestCommand(const CLI::App& app, const std::string& typed) {
  std::string best;
  size_t bestDistance = 3;
  for (CLI::App* c : Commands(app)) {
    const std::string& name = c->get_name();
    size_t d = EditDistance(typed, name);
    if (typed.size() >= 2 && name.compare(0, typed.size(), typed) == 0) d = 1;
    if (d < bestDistance) {
      best = name;
      bestDistance = d;
    }
  }
  return best;
}

void UsageError(const std::string& text, const std::string& helpCommand) {
  std::cerr << "corvane: " << text << "\nTry '" << helpCommand << "' for more information."
            << std::endl;
}

void UnknownCommand(const CLI::App& app, const std::string& typed) {
  std::string text = "unknown command '" + typed + "'";
  std::string nearest = NearestCommand(app, typed);
  if (!nearest.empty()) text += " (did you mean '" + nearest + "'?)";
  text += "; the commands are " + CommandList(app);
  UsageError(text, "corvane --help");
}

// CLI11 says "The following argument was not expected: x"; after
// "corvane: " the sentence goes on in lower case.
std::string ParserText(const std::string& what) {
  std::string text = what;
  if (text.size() > 1 && isupper((unsigned char)text[0]) && islower((unsigned char)text[1]))
    text[0] = (char)tolower((unsigned char)text[0]);
  return text;
}

std::string VersionText() {
  std::string text = std::string("corvane ") + CorvaneVersion() + "\n";
  text += HaveWindowsStub() ? "default stub: the 32-bit Windows stub"
                            : "default stub: the placeholder (built without a Windows cross "
                              "compiler: its archives are no Windows programs)";
  return text;
}

}  // namespace

const char* CorvaneVersion() { return CORVANE_VERSION; }

std::string ExitCodeTable(const std::string& command) {
  const size_t kWidth = 79, kIndent = 6;
  std::string out = "Exit codes:";
  size_t column = 0;
  int lastCode = -1;
  for (const ExitCodeRow& row : kExitCodeRows) {
    if (row.commands && !command.empty() && !Names(row.commands, command)) continue;
    std::string meaning = row.meaning;
    if (row.commands && command.empty() && OneCommand(row.commands))
      meaning = std::string(row.commands) + ": " + meaning;
    if (row.code == lastCode) {
      out += ';';
      ++column;
    } else {
      std::string lead = "  " + std::to_string(row.code) + "   ";
      out += "\n" + lead;
      column = lead.size();
    }
    AppendWrapped(meaning, kIndent, kWidth, &out, &column);
    lastCode = row.code;
  }
  return out;
}

void AddHelpAndVersion(CLI::App& app, HelpRequest* help) {
  app.set_version_flag("-V,--version", VersionText(), "Print the version and exit");
  help->command = app.add_subcommand("help", "Print the help of COMMAND, or this help");
  help->command->add_option("command", help->topic, "A command");
  for (CLI::App* c : Commands(app)) {
    std::string footer = c->get_footer();
    c->footer(ExitCodeTable(c->get_name()) + (footer.empty() ? "" : "\n\n" + footer));
  }
  app.footer(ExitCodeTable(""));
  app.failure_message([](const CLI::App* main, const CLI::Error& e) {
    std::vector<CLI::App*> parsed = main->get_subcommands();
    std::string command = parsed.empty() ? "" : parsed.back()->get_name() + " ";
    std::string text = "corvane: " + (command.empty() ? "" : parsed.back()->get_name() + ": ") +
                       ParserText(e.what());
    return text + "\nTry 'corvane " + command + "--help' for more information.\n";
  });
}

bool ParseCommandLine(CLI::App& app, const HelpRequest& help, int argc, char** argv,
                      int* exitCode) {
  *exitCode = kExitUsage;
  if (argc < 2) {
    UsageError("a command is required: " + CommandList(app), "corvane --help");
    return false;
  }
  // Anything that is no option at first must name a command; CLI11 would
  // only say that one is required.
  if (argv[1][0] != '-' && !FindCommand(app, argv[1])) {
    UnknownCommand(app, argv[1]);
    return false;
  }
  // Nor would it name an unknown option before the command.
  if (argv[1][0] == '-' && !IsMainOption(app, argv[1])) {
    UsageError(std::string("unknown option '") + argv[1] + "' before the command", "corvane --help");
    return false;
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    *exitCode = app.exit(e) == 0 ? kExitSuccess : kExitUsage;
    return false;
  }
  if (!*help.command) return true;
  if (help.topic.empty()) {
    // app.help() would hand over to the command parsed, `help` itself.
    std::cout << app.get_formatter()->make_help(&app, app.get_name(), CLI::AppFormatMode::Normal);
  } else if (CLI::App* c = FindCommand(app, help.topic)) {
    std::cout << c->help(app.get_name());
  } else {
    UnknownCommand(app, help.topic);
    return false;
  }
  *exitCode = kExitSuccess;
  return false;
}
