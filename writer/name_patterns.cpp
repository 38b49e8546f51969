// Shell patterns on stored names.
#include "writer/name_patterns.h"

#include <fnmatch.h>

bool PatternMatchesName(const std::string& pattern, const std::string& name) {
  if (fnmatch(pattern.c_str(), name.c_str(), 0) == 0) return true;
  if (pattern.find('/') != std::string::npos) return false;
  size_t slash = name.rfind('/');
  return slash != std::string::npos &&
         fnmatch(pattern.c_str(), name.c_str() + slash + 1, 0) == 0;
}
