// The command-line tests run against corvane.exe under Wine, less the
// cases of what Windows or Wine do not have: a default filter, which a
// --gtest_filter of the command line replaces.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <iterator>
#include <string>

// Each left out for a reason of the host, not of the tool:
//  - the round trip checks access times that Wine's own listing of a
//    folder moves (it reads the files' attributes); the Wine suite's round
//    trips check the times of archives made on Linux instead;
//  - Wine shows a symbolic link on the Linux side as the folder it names;
//  - Windows has no SIGTERM (Ctrl-C is tested by the Wine suite);
//  - on a terminal Wine's console draws the bar with escapes of its own;
//  - a read-only mount is access denied to Windows, not EROFS.
static const char kNotOnWindows[] =
    "-CliTest.CreateListTestExtractRoundTrip"
    ":CreateTest.InputsAsArchiversTakeThem"
    ":CreateTest.AnInterruptedRunLeavesNothingBehind"
    ":CreateTest.ATerminalSeesAProgressBarThenOneLineOfSummaryAndQuietSeesNeither"
    ":DiagnosisTest.AnUnwritableDestinationGivesTheSystemsOwnWords";

// Skips every test when the Wine session found that Wine cannot run here
// (a kernel without 32-bit programs), with the reason it wrote.
class WineAvailable : public ::testing::Environment {
 public:
  void SetUp() override {
    const char* session = getenv("CORVANE_WINE_SESSION");
    if (!session || !*session) return;
    std::ifstream in(std::string(session) + "/unavailable");
    std::string why((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!why.empty()) GTEST_SKIP() << why;
  }
};

int main(int argc, char** argv) {
  GTEST_FLAG_SET(filter, kNotOnWindows);
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new WineAvailable);
  return RUN_ALL_TESTS();
}
