// Programs run in the Wine session of the end-to-end tests.
#include "tests/wine/wine_session.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <thread>

#include <gtest/gtest.h>

#include "tests/test_files.h"

extern char** environ;

namespace {

// Far above the driver's own bound of 20 s per step: reached only when
// Wine itself hangs.
const int kHostTimeoutSeconds = 180;

std::string Slurp(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

std::string SessionDir() {
  const char* dir = getenv("CORVANE_WINE_SESSION");
  return dir ? dir : "";
}

std::string Display() {
  std::string number = Slurp(SessionDir() + "/display");
  while (!number.empty() && (number.back() == '\n' || number.back() == ' ')) number.pop_back();
  return number.empty() ? "" : ":" + number;
}

// The tests' environment for Wine: the session's display and prefix, and
// the Japanese locale that gives the stub code page 932.
std::vector<std::string> WineEnvironment() {
  std::vector<std::string> env;
  for (char** e = environ; *e; e++) {
    std::string var = *e;
    if (var.rfind("DISPLAY=", 0) && var.rfind("WINE", 0) && var.rfind("LANG=", 0) &&
        var.rfind("LC_", 0))
      env.push_back(var);
  }
  env.push_back("DISPLAY=" + Display());
  env.push_back("WINEPREFIX=" + SessionDir() + "/prefix");
  env.push_back("WINEARCH=win32");
  env.push_back("WINEDEBUG=-all");
  env.push_back("WINEDLLOVERRIDES=mscoree,mshtml=");
  env.push_back("LANG=ja_JP.UTF-8");
  env.push_back("LC_ALL=ja_JP.UTF-8");
  return env;
}

pid_t Spawn(std::vector<std::string> args, const std::vector<std::string>& env,
            const std::string& out, const std::string& err) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  std::vector<char*> argv, envp;
  for (std::string& a : args) argv.push_back(&a[0]);
  argv.push_back(nullptr);
  std::vector<std::string> envCopy = env;
  for (std::string& e : envCopy) envp.push_back(&e[0]);
  envp.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

int WaitExit(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// The whole X screen as a PNG.
bool Screenshot(const std::string& png, const std::vector<std::string>& env,
                const std::string& log) {
  pid_t pid = Spawn({"import", "-display", Display(), "-window", "root", png}, env, log, log);
  return pid > 0 && WaitExit(pid) == 0;
}

}  // namespace

Script::Script(const std::string& archive, const std::string& cwd) {
  steps_.push_back({"start", WinPath(archive), WinPath(cwd)});
}

Script& Script::Add(std::initializer_list<std::string> fields) {
  steps_.push_back(fields);
  return *this;
}

Script& Script::Add(const std::vector<std::string>& fields) {
  steps_.push_back(fields);
  return *this;
}

std::string DriveC() { return SessionDir() + "/prefix/drive_c"; }

std::string WinPath(const std::string& hostPath) {
  std::string drive = DriveC(), win;
  if (hostPath.rfind(drive + "/", 0) == 0)
    win = "C:" + hostPath.substr(drive.size());
  else
    win = "Z:" + hostPath;
  for (char& c : win)
    if (c == '/') c = '\\';
  return win;
}

Transcript RunScript(const Script& script) {
  Transcript failed;
  if (SessionDir().empty() || Display().empty()) {
    failed.errors = "no Wine session: CORVANE_WINE_SESSION is unset or its display is missing";
    return failed;
  }
  TempDir io;
  std::vector<std::string> snaps;  // host paths of the markers
  std::string text;
  for (const auto& step : script.steps()) {
    std::vector<std::string> fields = step;
    if (fields[0] == "snap" && fields.size() == 2) {
      snaps.push_back(io / fields[1]);
      fields[1] = WinPath(snaps.back());
    }
    for (size_t i = 0; i < fields.size(); i++) text += (i ? "\t" : "") + fields[i];
    text += "\n";
  }
  WriteFileBytes(io / "script.txt", B(text));
  const std::vector<std::string> env = WineEnvironment();
  const std::string out = io / "transcript", err = io / "wine-errors";
  pid_t pid = Spawn({"wine", E2E_DRIVER, WinPath(io / "script.txt")}, env, out, err);
  if (pid < 0) {
    failed.errors = "cannot start wine";
    return failed;
  }
  // Serve the screenshots while the driver runs: it waits for NAME.done
  // after writing NAME.ready.
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::seconds(kHostTimeoutSeconds);
  int status = 0;
  bool ended = false;
  while (!ended) {
    for (const std::string& marker : snaps) {
      if (PathExists(marker + ".ready") && !PathExists(marker + ".done")) {
        std::string name = marker.substr(marker.rfind('/') + 1);
        Screenshot(std::string(SCREENSHOT_DIR) + "/" + name + ".png", env, err);
        WriteFileBytes(marker + ".done", Bytes());
      }
    }
    if (waitpid(pid, &status, WNOHANG) == pid) {
      ended = true;
    } else if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      ended = true;
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
  Transcript t = ParseTranscript(Slurp(out));
  t.driverExit = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  t.errors = Slurp(err);
  return t;
}

namespace {

// Skips every test when the session found that Wine cannot run here (a
// kernel without 32-bit programs), with the reason it wrote.
class WineAvailable : public ::testing::Environment {
 public:
  void SetUp() override {
    std::string why = Slurp(SessionDir() + "/unavailable");
    if (!SessionDir().empty() && !why.empty()) GTEST_SKIP() << why;
  }
};

::testing::Environment* const wineAvailable =
    ::testing::AddGlobalTestEnvironment(new WineAvailable);

}  // namespace
