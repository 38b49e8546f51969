// Fuzz target: a small tree read from the input (tree_description.h) goes
// through the writer's BuildPayload and back through the read path into
// the in-memory file system. Every file must come back byte for byte with
// its three times, every folder must be made, nothing else may appear,
// and nothing may be left open or allocated.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "payload/payload_layout.h"
#include "tests/fuzz/fuzz_host.h"
#include "tests/fuzz/memory_platform.h"
#include "tests/fuzz/memory_read_path.h"
#include "tests/fuzz/tree_description.h"

static void Require(bool ok, const std::string& what) {
  if (ok) return;
  fprintf(stderr, "round trip fault: %s\n", what.c_str());
  abort();
}

static void CheckFile(const ArchiveEntry& e) {
  MemoryEntry got;
  Require(MemoryLookUp(e.name.c_str(), &got), "missing file " + e.name);
  Require(!got.isFolder, "a folder where the file " + e.name + " belongs");
  Require(got.data == e.data, "contents differ: " + e.name);
  Require(got.creationTime == e.creationTime && got.accessTime == e.accessTime &&
              got.writeTime == e.writeTime,
          "times differ: " + e.name);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TreeDescription tree = DescribeTree(data, size);
  if (getenv("CORVANE_FUZZ_TRACE")) {
    fprintf(stderr, "level %d, password %zu bytes, %zu entries:", tree.options.level,
            tree.options.password.size(), tree.entries.size());
    for (const ArchiveEntry& e : tree.entries)
      fprintf(stderr, e.isFolder ? " folder" : " %zu", e.data.size());
    fprintf(stderr, "\n");
  }
  std::vector<uint8_t> payload;
  std::string error;
  Require(BuildPayload(tree.entries, tree.options, &payload, nullptr, &error),
          "the writer refused a safe tree: " + error);

  std::vector<uint8_t> program(kStubSize, 0);
  program.insert(program.end(), payload.begin(), payload.end());
  MemoryReset(program.data(), program.size());
  FuzzHost host;
  EngineHost engineHost = FuzzEngineHost(&host);
  ReadPathRun run = RunReadPath(tree.options.password, false, &engineHost);
  Require(run.header == kHeaderRead, "the header did not read back");
  Require(run.passwordAccepted, "the password was refused");
  Require(run.result == kExtractFinished,
          std::string("extraction did not finish: ") + (run.detail ? run.detail : "?"));
  Require(run.description == tree.options.description, "the description differs");
  Require(run.runCommand == tree.options.runCommand, "the run command differs");
  Require(host.prompts == 0, "an overwrite prompt in an empty destination");
  // An empty tree is written as the root folder alone.
  int items = tree.entries.empty() ? 1 : (int)tree.entries.size();
  Require(host.itemsRead == items, "items were lost or added");
  Require(MemoryOpenFiles() == 0, "a file was left open");
  Require(MemoryLiveAllocs() == 0, "the working set was not freed");

  size_t files = 0;
  for (const ArchiveEntry& e : tree.entries) {
    if (e.isFolder) continue;
    CheckFile(e);
    files++;
  }
  std::vector<MemoryEntry> all = MemoryEntries();
  size_t folders = 0;
  for (const MemoryEntry& m : all) {
    if (!m.isFolder) continue;
    Require(tree.folders.count(m.path) == 1, "an unexpected folder " + m.path);
    folders++;
  }
  Require(folders == tree.folders.size(), "a folder is missing");
  Require(all.size() == files + folders, "an unexpected file appeared");
  MemoryReset(nullptr, 0);
  return 0;
}
