// Shell patterns on stored names, the one rule that create's --exclude
// and the reading commands' --exclude share.
#ifndef CORVANE_WRITER_NAME_PATTERNS_H
#define CORVANE_WRITER_NAME_PATTERNS_H

#include <string>

// Whether a shell pattern matches the whole of a name, as fnmatch without
// flags does in the C locale: '*', '?', brackets with ranges, classes and
// '!' or '^', a backslash taking the next character as it is; '*' and
// '?' also cross '/'.
bool ShellPatternMatches(const std::string& pattern, const std::string& name);

// Whether a shell pattern (ShellPatternMatches; '*' also crosses '/') matches a stored
// name in UTF-8 with '/' separators: the whole name, or, for a pattern
// without '/', its last part ("*.o" leaves out every object file).
bool PatternMatchesName(const std::string& pattern, const std::string& name);

#endif
