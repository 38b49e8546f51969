// Member arguments and --exclude on the reading side.
#include "cli/member_selection.h"

#include <stdio.h>

#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "writer/name_patterns.h"
#include "platform/console.h"

MemberSelection::MemberSelection(const std::vector<std::string>& members,
                                 std::vector<std::string> excludes)
    : excludes_(std::move(excludes)) {
  for (const std::string& m : members) {
    // "dir/" names the folder; "./a" the item a, as tar takes them.
    std::string pattern = m;
    while (pattern.size() > 1 && pattern.back() == '/') pattern.pop_back();
    while (pattern.size() > 2 && pattern.compare(0, 2, "./") == 0) pattern.erase(0, 2);
    members_.push_back({m, pattern, false});
  }
}

template <class Test>
bool MemberSelection::ForNameOrAbove(const std::string& name, Test test) {
  for (size_t end = name.size(); end != std::string::npos && end > 0;
       end = name.rfind('/', end - 1))
    if (test(name.substr(0, end))) return true;
  return false;
}

bool MemberSelection::Selects(const std::string& name) {
  for (const std::string& pattern : excludes_)
    if (ForNameOrAbove(name, [&](const std::string& n) { return PatternMatchesName(pattern, n); }))
      return false;
  if (members_.empty()) return true;
  bool selected = false;
  for (Member& m : members_) {
    if (ForNameOrAbove(name, [&](const std::string& n) {
          return ShellPatternMatches(m.pattern, n);
        })) {
      m.matched = true;
      selected = true;
    }
  }
  return selected;
}

std::vector<std::string> MemberSelection::Unmatched() const {
  std::vector<std::string> unmatched;
  for (const Member& m : members_)
    if (!m.matched) unmatched.push_back(m.given);
  return unmatched;
}

int ReportUnmatchedMembers(const MemberSelection& selection, const std::string& archive,
                           int code) {
  if (code != kExitSuccess) return code;
  std::vector<std::string> unmatched = selection.Unmatched();
  for (const std::string& m : unmatched)
    ConsolePrintf(stderr, "corvane: %s: no item matches '%s'\n", archive.c_str(), m.c_str());
  return unmatched.empty() ? code : kExitNoMatch;
}
