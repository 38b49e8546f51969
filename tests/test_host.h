// The engine's host for the tests: scripted answers to the overwrite
// question, a record of status lines and items, and a hook that runs at
// the rebuild points (to press Cancel in the middle of a file).
#ifndef CORVANE_TESTS_TEST_HOST_H
#define CORVANE_TESTS_TEST_HOST_H

#include <functional>
#include <string>
#include <vector>

#include "engine/extraction.h"

struct TestHost {
  std::vector<OverwriteAnswer> answers;  // used in order; Yes when used up
  std::vector<std::string> prompts;      // full paths asked about
  std::vector<std::string> statusLines;  // "examining:", "skipping:", ...
  std::vector<std::string> itemNames;    // names of the items read
  std::vector<ItemRecord> items;
  std::function<void(Extraction*)> onPump;  // at every rebuild point
  int pumps = 0;
  // The extraction's files are made on a second thread (FileSideThread).
  bool fileSideThread = false;
};

// The engine host over a TestHost.
EngineHost TestEngineHost(TestHost* host);

// The host that the tests' extractions report to; reset by each test.
TestHost& CurrentTestHost();
void ResetTestHost();

#endif
