// The items of a section of corvane's help text.
#include "tests/cli/help_sections.h"

#include <sstream>

std::vector<std::string> HelpItems(const std::string& help, const std::string& heading) {
  std::vector<std::string> names;
  std::istringstream lines(help);
  std::string line;
  bool inSection = false;
  while (std::getline(lines, line)) {
    if (line.empty()) continue;
    if (line[0] != ' ') {
      inSection = line == heading;
      continue;
    }
    // An item is indented by two; its description may go on below it,
    // indented further.
    if (!inSection || line.size() < 3 || line.compare(0, 2, "  ") != 0 || line[2] == ' ')
      continue;
    std::string first = line.substr(2, line.find(' ', 2) - 2);
    std::istringstream parts(first);
    std::string name;
    while (std::getline(parts, name, ','))
      if (!name.empty()) names.push_back(name);
  }
  return names;
}
