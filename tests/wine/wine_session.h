// The Wine session that scripts/wine-session.sh prepared (its folder is in
// CORVANE_WINE_SESSION): a private X display and a prefix. Runs the Win32
// driver there with a script and takes the screenshots the script asks for.
#ifndef CORVANE_TESTS_WINE_WINE_SESSION_H
#define CORVANE_TESTS_WINE_WINE_SESSION_H

#include <initializer_list>
#include <string>
#include <vector>

#include "tests/wine/transcript.h"

// The steps of one driver run (tests/wine/driver.cpp lists them). A step
// "snap NAME" saves the whole screen as SCREENSHOT_DIR/NAME.png at that
// point of the script.
class Script {
 public:
  // The archive is started with `cwd` as its current folder; both are
  // host paths.
  Script(const std::string& archive, const std::string& cwd);
  Script& Add(std::initializer_list<std::string> fields);
  Script& Add(const std::vector<std::string>& fields);
  const std::vector<std::vector<std::string>>& steps() const { return steps_; }

 private:
  std::vector<std::vector<std::string>> steps_;
};

// Runs the script; a failure to run at all comes back as driverExit -1 and
// a message in `errors`.
Transcript RunScript(const Script& script);

// The host folder of drive C: of the session's prefix.
std::string DriveC();

// The Windows spelling of a host path: below DriveC() on C:, elsewhere
// through the Z: drive that maps the host's root.
std::string WinPath(const std::string& hostPath);

#endif
