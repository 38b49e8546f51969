// What an extraction shows and leaves, to compare two ways of running it.
#ifndef CORVANE_TESTS_HOSTILE_RUN_SEEN_H
#define CORVANE_TESTS_HOSTILE_RUN_SEEN_H

#include <map>
#include <string>
#include <vector>

#include "tests/test_files.h"

struct Seen {
  ExtractOutcome outcome;
  std::map<std::string, Bytes> tree;
  std::vector<std::string> prompts, status;
};

// The outcome, the files under dest and the current test host's record.
Seen SeenAfter(const ExtractOutcome& outcome, const std::string& dest);

// Result, item, counts, questions, status lines and files left alike.
void ExpectSame(const Seen& one, const Seen& other, const std::string& what);

#endif
