// Which items a reading command takes: the MEMBER arguments (stored names
// or shell patterns, '/' separators; a folder takes everything below it)
// less what --exclude leaves out; and which members matched nothing.
#ifndef CORVANE_CLI_MEMBER_SELECTION_H
#define CORVANE_CLI_MEMBER_SELECTION_H

#include <string>
#include <vector>

class MemberSelection {
 public:
  MemberSelection() = default;
  MemberSelection(const std::vector<std::string>& members, std::vector<std::string> excludes);

  // name: a stored name in UTF-8 with '/' and without a trailing '/'.
  bool Selects(const std::string& name);
  // No members and no excludes: every name is selected.
  bool TakesAll() const { return members_.empty() && excludes_.empty(); }
  // The members that have selected nothing so far, as given.
  std::vector<std::string> Unmatched() const;

 private:
  struct Member {
    std::string given, pattern;
    bool matched;
  };
  // Whether `test` holds for the name or a folder above it.
  template <class Test>
  static bool ForNameOrAbove(const std::string& name, Test test);

  std::vector<Member> members_;
  std::vector<std::string> excludes_;
};

#endif
