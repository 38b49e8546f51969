// corvane installed like any tool: `cmake --install` puts the program, the
// manual page and the bash completion where Debian and bash-completion
// look for them, and the .deb CPack makes installs into a scratch root
// with dpkg and runs from there.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <dirent.h>

#include <regex>
#include <sstream>

#include "tests/cli/run_program.h"
#include "tests/test_files.h"

namespace {

bool IsExecutableFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & S_IXUSR);
}

std::string FirstLine(const std::string& s) { return s.substr(0, s.find('\n')); }

const std::string kVersionLine = std::string("corvane ") + CORVANE_TEST_VERSION;

TEST(Install, PutsTheToolTheManPageAndTheCompletionInTheirPlaces) {
  TempDir prefix;
  RunResult install = RunProgram({CMAKE_COMMAND, "--install", CORVANE_BUILD_DIR, "--prefix",
                                  prefix.path()});
  ASSERT_EQ(install.exitCode, 0) << install.out << install.err;

  std::string tool = prefix / "bin/corvane";
  ASSERT_TRUE(IsExecutableFile(tool));
  RunResult version = RunProgram({tool, "--version"});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(FirstLine(version.out), kVersionLine);

  // man reads the compressed page as installed.
  RunResult man = RunBash("MANWIDTH=80 man -l \"$1\"", {prefix / "share/man/man1/corvane.1.gz"});
  EXPECT_EQ(man.exitCode, 0) << man.err;
  EXPECT_TRUE(std::regex_search(man.out, std::regex("NAME\n +corvane +- +list, +test, +extract")))
      << man.out.substr(0, 400);

  std::string completion = prefix / "share/bash-completion/completions/corvane";
  EXPECT_EQ(ReadFileBytes(completion),
            ReadFileBytes(std::string(CORVANE_SOURCE_DIR) + "/completion/corvane.bash"));
  // bash-completion's own loader finds it below the prefix on first use,
  // and it works with the installed tool on the PATH.
  TempDir home;
  RunResult loaded = RunBash(R"(
source /usr/share/bash-completion/bash_completion || exit 3
export XDG_DATA_DIRS="$1/share" BASH_COMPLETION_USER_DIR="$2" PATH="$1/bin:$PATH"
complete -r corvane 2>/dev/null
__load_completion corvane || exit 4
registered=$(complete -p corvane) || exit 5
function=${registered#*-F }
function=${function%% *}
COMP_WORDS=(corvane extr)
COMP_CWORD=1
"$function" corvane extr corvane
printf '%s\n' "${COMPREPLY[@]}"
)",
                             {prefix.path(), home.path()});
  ASSERT_NE(loaded.exitCode, 3) << "bash-completion is missing: bash scripts/install-deps.sh --tests";
  EXPECT_EQ(loaded.exitCode, 0) << loaded.err;
  EXPECT_EQ(loaded.out, "extract\n");
}

std::string DebIn(const std::string& dir) {
  std::string found;
  DIR* d = opendir(dir.c_str());
  while (dirent* e = d ? readdir(d) : nullptr) {
    std::string name = e->d_name;
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".deb") == 0) found = dir + "/" + name;
  }
  if (d) closedir(d);
  return found;
}

std::string Field(const std::string& deb, const std::string& field) {
  RunResult r = RunProgram({"dpkg-deb", "-f", deb, field});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  return FirstLine(r.out);
}

TEST(Package, TheDebInstallsIntoAScratchRootAndRuns) {
  TempDir out;
  RunResult cpack = RunProgram({CPACK_COMMAND, "--config",
                                std::string(CORVANE_BUILD_DIR) + "/CPackConfig.cmake", "-G", "DEB",
                                "-B", out.path()});
  ASSERT_EQ(cpack.exitCode, 0) << cpack.out << cpack.err;
  std::string deb = DebIn(out.path());
  ASSERT_FALSE(deb.empty()) << cpack.out;

  EXPECT_EQ(Field(deb, "Package"), "corvane");
  EXPECT_EQ(Field(deb, "Version"), CORVANE_TEST_VERSION);
  RunResult contents = RunProgram({"dpkg-deb", "-c", deb});
  for (const char* path : {"./usr/bin/corvane", "./usr/share/man/man1/corvane.1.gz",
                           "./usr/share/bash-completion/completions/corvane"})
    EXPECT_NE(contents.out.find(std::string(" ") + path + "\n"), std::string::npos) << path;

  // Depends comes from the libraries the binary links; each is a package
  // of this system at a version that satisfies it.
  std::string depends = Field(deb, "Depends");
  EXPECT_NE(depends.find("libc6 (>= "), std::string::npos) << depends;
  std::regex dependency("([a-z0-9.+-]+) \\(>= ([^)]+)\\)");
  for (std::sregex_iterator i(depends.begin(), depends.end(), dependency), end; i != end; ++i) {
    RunResult installed = RunProgram({"dpkg-query", "-W", "-f=${Version}", (*i)[1]});
    ASSERT_EQ(installed.exitCode, 0) << (*i)[1] << " is not installed";
    RunResult satisfied =
        RunProgram({"dpkg", "--compare-versions", installed.out, "ge", (*i)[2]});
    EXPECT_EQ(satisfied.exitCode, 0) << (*i)[0] << ": " << installed.out;
  }

  // dpkg into an empty root of its own: a database of nothing, so the
  // dependencies (present on this system, checked above) are forced.
  TempDir root;
  for (const char* d : {"/var", "/var/lib", "/var/lib/dpkg", "/var/lib/dpkg/info",
                        "/var/lib/dpkg/updates"})
    ASSERT_EQ(mkdir((root.path() + d).c_str(), 0755), 0) << d;
  WriteFileBytes(root / "var/lib/dpkg/status", Bytes());
  RunResult dpkg = RunProgram({"dpkg", "--root=" + root.path(), "--force-depends",
                               "--force-not-root", "--log=/dev/null", "-i", deb});
  ASSERT_EQ(dpkg.exitCode, 0) << dpkg.out << dpkg.err;
  RunResult status = RunProgram({"dpkg", "--root=" + root.path(), "-s", "corvane"});
  EXPECT_NE(status.out.find("Status: install ok installed"), std::string::npos) << status.out;
  RunResult version = RunProgram({root / "usr/bin/corvane", "--version"});
  EXPECT_EQ(version.exitCode, 0) << version.err;
  EXPECT_EQ(FirstLine(version.out), kVersionLine);
  EXPECT_TRUE(PathExists(root / "usr/share/man/man1/corvane.1.gz"));
  EXPECT_TRUE(PathExists(root / "usr/share/bash-completion/completions/corvane"));
}

}  // namespace
