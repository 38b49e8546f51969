// What an extraction shows and leaves.
#include "tests/hostile/run_seen.h"

#include <gtest/gtest.h>

#include "tests/test_host.h"

Seen SeenAfter(const ExtractOutcome& outcome, const std::string& dest) {
  return {outcome, TreeContents(dest), CurrentTestHost().prompts, CurrentTestHost().statusLines};
}

void ExpectSame(const Seen& one, const Seen& other, const std::string& what) {
  EXPECT_EQ(one.outcome.result, other.outcome.result) << what;
  EXPECT_EQ(one.outcome.where, other.outcome.where) << what;
  EXPECT_EQ(one.outcome.failedPrefix, other.outcome.failedPrefix) << what;
  EXPECT_EQ(one.outcome.detail, other.outcome.detail) << what;
  EXPECT_EQ(one.outcome.files, other.outcome.files) << what;
  EXPECT_EQ(one.outcome.folders, other.outcome.folders) << what;
  EXPECT_EQ(one.prompts, other.prompts) << what;
  EXPECT_EQ(one.status, other.status) << what;
  EXPECT_TRUE(one.tree == other.tree) << what << ": the files left differ";
}
