// corvane create --icon: the icon as icoutils read it back from the
// archive, the archive otherwise as without it, and refusals before
// anything is written.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>

#include "tests/cli/run_corvane.h"
#include "tests/cli/run_program.h"
#include "tests/icon/icon_fixtures.h"
#include "tests/test_files.h"
#include "writer/pe_resources.h"

namespace {

const size_t kStubSize = 26112;

class IconTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"wrestool", "icotool", "convert"})
      ASSERT_EQ(RunBash("command -v \"$1\"", {tool}).exitCode, 0)
          << tool << " is missing: run scripts/install-deps.sh --tests";
    WriteFileBytes(dir_ / "in.txt", B("what the archive holds\n"));
    // Access times stored as write times: the same input gives the same
    // payload in every run.
    setenv("SOURCE_DATE_EPOCH", "2000000000", 1);
  }
  void TearDown() override { unsetenv("SOURCE_DATE_EPOCH"); }

  // corvane create ARCHIVE in.txt ARGS...
  RunResult Create(const std::string& archive, const std::vector<std::string>& args) {
    std::vector<std::string> all = {"create", "-q", dir_ / archive, dir_ / "in.txt"};
    all.insert(all.end(), args.begin(), args.end());
    return RunCorvane(all);
  }

  std::string Png(const std::string& name, const RgbaImage& picture) {
    EXPECT_TRUE(WriteWithImageMagick(picture, dir_ / name));
    return dir_ / name;
  }

  TempDir dir_;
};

TEST_F(IconTest, APngBecomesTheStubsIconAndTheArchiveStaysTheSameOtherwise) {
  RgbaImage picture = BlockPicture(32, 4, 15);
  ASSERT_EQ(Create("plain.exe", {}).exitCode, 0);
  RunResult r = Create("icon.exe", {"--icon", Png("logo.png", picture)});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  std::string list;
  std::vector<RgbaImage> icon = IcoutilsIcon(dir_ / "icon.exe", &list);
  EXPECT_EQ(list, "--icon --index=1 --width=32 --height=32 --bit-depth=4 --palette-size=16\n");
  ASSERT_EQ(icon.size(), 1u);
  EXPECT_EQ(PixelText(icon[0]), PixelText(picture));

  // The stub keeps its length and only its resources and checksum
  // change; the payload behind it is the same, and extracts the same.
  Bytes plain = ReadFileBytes(dir_ / "plain.exe"), withIcon = ReadFileBytes(dir_ / "icon.exe");
  ASSERT_EQ(plain.size(), withIcon.size());
  EXPECT_TRUE(std::equal(plain.begin() + kStubSize, plain.end(), withIcon.begin() + kStubSize));
  Bytes stub(withIcon.begin(), withIcon.begin() + kStubSize);
  std::vector<Resource> resources;
  std::string error;
  ASSERT_TRUE(ReadResources(stub, &resources, &error)) << error;
  size_t checksumAt = 0x80 + 24 + 64;  // the stub's PE header is at 0x80
  ASSERT_EQ(plain[0x3C], 0x80);
  EXPECT_EQ(stub[checksumAt] | stub[checksumAt + 1] << 8 | stub[checksumAt + 2] << 16,
            (int)PeChecksum(stub, checksumAt));
  RunResult x = RunCorvane({"extract", "-q", "-d", dir_ / "out", dir_ / "icon.exe"});
  ASSERT_EQ(x.exitCode, 0) << x.err;
  EXPECT_EQ(ReadFileBytes(dir_ / "out/in.txt"), ReadFileBytes(dir_ / "in.txt"));
}

TEST_F(IconTest, TheIcoImageNearestTheSizeIsTakenAndLargerPicturesScaled) {
  // icotool makes the .ico: paletted images, 32-bit ones, and a PNG one
  // that is the nearest larger and is scaled.
  RgbaImage want = BlockPicture(32, 4, 9);
  std::string small = Png("16.png", BlockPicture(16, 2, 3)), exact = Png("32.png", want),
              large = Png("48.png", BlockPicture(48, 6, 5)), huge = Png("256.png", BlockPicture(256, 32, 9));
  struct Case {
    const char* what;
    std::vector<std::string> icotool;
  } cases[] = {
      {"paletted", {"-c", small, exact, large}},
      {"32 bits", {"-c", "-b", "32", small, exact, large}},
      {"a PNG image, scaled down", {"-c", small, "-r", huge}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> argv = {"icotool", "-o", dir_ / "multi.ico"};
    argv.insert(argv.end(), c.icotool.begin(), c.icotool.end());
    RunResult made = RunProgram(argv);
    ASSERT_EQ(made.exitCode, 0) << made.err;
    RunResult r = Create("multi.exe", {"--icon", dir_ / "multi.ico"});
    ASSERT_EQ(r.exitCode, 0) << c.what << ": " << r.err;
    std::string list;
    std::vector<RgbaImage> icon = IcoutilsIcon(dir_ / "multi.exe", &list);
    ASSERT_EQ(icon.size(), 1u) << c.what;
    EXPECT_EQ(PixelText(icon[0]), PixelText(want)) << c.what;
  }
  // A picture of 2 by 2 blocks, scaled down by half.
  RunResult r = Create("scaled.exe", {"--icon", Png("64.png", BlockPicture(64, 8, 9))});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  std::string list;
  std::vector<RgbaImage> icon = IcoutilsIcon(dir_ / "scaled.exe", &list);
  ASSERT_EQ(icon.size(), 1u);
  EXPECT_EQ(PixelText(icon[0]), PixelText(want));
}

TEST_F(IconTest, WhatCannotBeTheIconIsRefusedBeforeAnythingIsWritten) {
  std::string logo = Png("logo.png", BlockPicture(32, 4, 5));
  WriteFileBytes(dir_ / "notes.txt", B("not a picture\n"));
  WriteFileBytes(dir_ / "zero.stub", Bytes(kStubSize, 0));
  // The built stub with its group saying 48 by 48 at 32 bits: 9 KB that
  // its 1 KB of resources cannot hold. They would need the directories
  // and the name (152 bytes), two data entries, the image with its mask
  // and the group, 8-aligned.
  const size_t need = (152 + 2 * 16 + (40 + 48 * 48 * 4 + 48 * 8) + 20 + 7) / 8 * 8;
  ASSERT_EQ(Create("plain.exe", {}).exitCode, 0);
  Bytes stub = ReadFileBytes(dir_ / "plain.exe");
  stub.resize(kStubSize);
  const Bytes group = {0, 0, 1, 0, 1, 0, 32, 32, 16, 0, 1, 0, 4, 0};
  auto at = std::search(stub.begin(), stub.end(), group.begin(), group.end());
  ASSERT_NE(at, stub.end());
  at[6] = at[7] = 48;
  at[8] = 0;
  at[12] = 32;
  WriteFileBytes(dir_ / "large.stub", stub);
  struct Case {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"--icon", dir_ / "notes.txt"},
       "corvane: " + dir_ / "notes.txt" + ": is neither an icon (.ico) nor a PNG\n"},
      {{"--icon", dir_ / "missing.ico"},
       "corvane: " + dir_ / "missing.ico" + ": cannot read the icon: No such file or directory\n"},
      {{"--icon", logo, "--stub", dir_ / "zero.stub"},
       "corvane: " + dir_ / "zero.stub" + ": is no Windows program (no PE header); the icon '" + logo +
           "' cannot be put in it\n"},
      {{"--icon", logo, "--stub", dir_ / "large.stub"},
       "corvane: " + dir_ / "large.stub" +
           ": has room for 1024 bytes of resources, and these need " + std::to_string(need) +
           "; the icon '" + logo +
           "' cannot be put in it\n"},
  };
  Bytes before = ReadFileBytes(dir_ / "plain.exe");
  RunResult both = RunCorvane({"create", "-q", dir_ / "new.exe", "--icon", "-", "-T", "-"}, logo);
  EXPECT_EQ(both.exitCode, 2);
  EXPECT_EQ(both.err, "corvane: " + dir_ / "new.exe" +
                          ": the icon cannot come from standard input with the paths\n");
  // Alone, standard input is the icon's.
  RunResult fromInput = RunCorvane({"create", "-q", dir_ / "piped.exe", dir_ / "in.txt", "--icon", "-"}, logo);
  EXPECT_EQ(fromInput.exitCode, 0) << fromInput.err;
  for (const Case& c : cases) {
    RunResult r = Create("new.exe", c.args);
    EXPECT_EQ(r.exitCode, 6) << c.message;
    EXPECT_EQ(r.err, c.message);
    EXPECT_FALSE(PathExists(dir_ / "new.exe"));
    r = Create("plain.exe", c.args);  // an archive already there stays
    EXPECT_EQ(r.exitCode, 6);
    EXPECT_EQ(ReadFileBytes(dir_ / "plain.exe"), before);
  }
}

// A file without end is read only as far as its use allows, then refused.
TEST_F(IconTest, InputsWithoutEndAreRefusedAtTheirBound) {
  struct Case {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"--icon", "/dev/zero"}, "corvane: /dev/zero: cannot read the icon: File too large\n"},
      {{"--description", "@/dev/zero"},
       "corvane: " + dir_ / "new.exe" +
           ": cannot read the description file '/dev/zero': File too large\n"},
      {{"--stub", "/dev/zero"}, "corvane: /dev/zero: not a stub of 26112 bytes\n"},
  };
  for (const Case& c : cases) {
    RunResult r = Create("new.exe", c.args);
    EXPECT_EQ(r.exitCode, 6) << c.message;
    EXPECT_EQ(r.err, c.message);
    EXPECT_FALSE(PathExists(dir_ / "new.exe"));
  }
}
}  // namespace
