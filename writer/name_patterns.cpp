// Shell patterns on stored names, matched byte by byte as fnmatch does
// without flags in the C locale, the same on every host.
#include "writer/name_patterns.h"

#include <ctype.h>
#include <string.h>

namespace {

bool InClass(const char* name, size_t length, unsigned char c) {
  struct Class {
    const char* name;
    int (*test)(int);
  };
  static const Class kClasses[] = {
      {"alnum", isalnum}, {"alpha", isalpha}, {"blank", isblank}, {"cntrl", iscntrl},
      {"digit", isdigit}, {"graph", isgraph}, {"lower", islower}, {"print", isprint},
      {"punct", ispunct}, {"space", isspace}, {"upper", isupper}, {"xdigit", isxdigit}};
  for (const Class& k : kClasses)
    if (strlen(k.name) == length && memcmp(k.name, name, length) == 0)
      return c < 0x80 && k.test(c) != 0;
  return false;
}

// A bracket expression at p (just after '['): whether it takes c, and
// where the pattern goes on after it; false in *valid when it has no
// closing ']' (the '[' is then an ordinary character).
bool Bracket(const char* p, unsigned char c, const char** after, bool* valid) {
  bool negate = *p == '!' || *p == '^';
  if (negate) p++;
  bool taken = false;
  bool first = true;
  for (;;) {
    if (*p == 0) {
      *valid = false;
      return false;
    }
    if (*p == ']' && !first) break;
    first = false;
    if (p[0] == '[' && p[1] == ':') {
      const char* end = strstr(p + 2, ":]");
      if (end) {
        taken = taken || InClass(p + 2, (size_t)(end - p - 2), c);
        p = end + 2;
        continue;
      }
    }
    unsigned char low = (unsigned char)*p;
    if (low == '\\' && p[1]) low = (unsigned char)*++p;
    p++;
    unsigned char high = low;
    if (p[0] == '-' && p[1] && p[1] != ']') {
      p++;
      high = (unsigned char)*p;
      if (high == '\\' && p[1]) high = (unsigned char)*++p;
      p++;
    }
    if (c >= low && c <= high) taken = true;
  }
  *after = p + 1;
  *valid = true;
  return taken != negate;
}

bool Matches(const char* p, const char* s) {
  const char* starP = nullptr;  // the pattern after the last '*'
  const char* starS = nullptr;  // where that '*' is tried next
  for (;;) {
    bool step = false;
    if (*p == '*') {
      while (*p == '*') p++;
      if (*p == 0) return true;
      starP = p;
      starS = s;
      continue;
    }
    if (*s != 0) {
      if (*p == '?') {
        p++;
        step = true;
      } else if (*p == '[') {
        const char* after;
        bool valid;
        bool taken = Bracket(p + 1, (unsigned char)*s, &after, &valid);
        if (!valid) {
          step = *s == '[';
          if (step) p++;
        } else if (taken) {
          p = after;
          step = true;
        }
      } else if (*p == '\\' && p[1] == 0) {
        return false;  // a backslash that escapes nothing: no match at all
      } else if (*p != 0) {
        const char* literal = p;
        if (*p == '\\') literal = ++p;
        if (*literal == *s) {
          p++;
          step = true;
        }
      }
    } else if (*p == 0) {
      return true;
    }
    if (step) {
      s++;
      continue;
    }
    // A mismatch: the last '*' takes one character more, if any is left.
    if (!starP || *starS == 0) return false;
    p = starP;
    s = ++starS;
  }
}

}  // namespace

bool ShellPatternMatches(const std::string& pattern, const std::string& name) {
  return Matches(pattern.c_str(), name.c_str());
}

bool PatternMatchesName(const std::string& pattern, const std::string& name) {
  if (ShellPatternMatches(pattern, name)) return true;
  if (pattern.find('/') != std::string::npos) return false;
  size_t slash = name.rfind('/');
  return slash != std::string::npos && ShellPatternMatches(pattern, name.substr(slash + 1));
}
