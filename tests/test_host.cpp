// The tests' engine host: answers from a script, a record of what was
// shown.
#include "tests/test_host.h"

namespace {

OverwriteAnswer AskOverwrite(void* context, const Extraction* x) {
  TestHost* host = (TestHost*)context;
  host->prompts.push_back(x->fullPath);
  size_t i = host->prompts.size() - 1;
  return i < host->answers.size() ? host->answers[i] : kOverwriteYes;
}

void ShowStatus(void* context, const Extraction* x, StatusKind kind) {
  static const char* const kNames[] = {"examining:", "skipping:", "expanding:"};
  ((TestHost*)context)->statusLines.push_back(std::string(kNames[kind]) + x->fullPath);
}

void PumpMessages(void* context, Extraction* x) {
  TestHost* host = (TestHost*)context;
  host->pumps++;
  if (host->onPump) host->onPump(x);
}

void ItemRead(void* context, const Extraction* x) {
  TestHost* host = (TestHost*)context;
  host->itemNames.push_back(x->name);
  host->items.push_back(x->item);
}

TestHost current;

}  // namespace

EngineHost TestEngineHost(TestHost* host) {
  EngineHost h = {host, AskOverwrite, ShowStatus, PumpMessages, ItemRead};
  return h;
}

TestHost& CurrentTestHost() { return current; }
void ResetTestHost() { current = TestHost(); }
