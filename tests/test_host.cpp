#include "tests/test_host.h"

static TestHost host;

TestHost& CurrentTestHost() { return host; }
void ResetTestHost() { host = TestHost(); }

OverwriteAnswer HostAskOverwrite(Extraction* x) {
  host.prompts.push_back(x->fullPath);
  size_t i = host.prompts.size() - 1;
  return i < host.answers.size() ? host.answers[i] : kOverwriteYes;
}

void HostShowStatus(Extraction* x, StatusKind kind) {
  static const char* const kNames[] = {"examining:", "skipping:", "expanding:"};
  host.statusLines.push_back(std::string(kNames[kind]) + x->fullPath);
}

void HostPumpMessages(Extraction* x) {
  host.pumps++;
  if (host.onPump) host.onPump(x);
}

void HostItemRead(Extraction* x) {
  host.itemNames.push_back(x->name);
  host.items.push_back(x->item);
}
