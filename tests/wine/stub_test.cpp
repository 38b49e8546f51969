// What the stub's end-to-end tests share.
#include "tests/wine/stub_test.h"

#include <algorithm>
#include <filesystem>

#include "platform/text_encoding.h"
#include "tests/cli/run_corvane.h"
#include "tests/wine/hex_text.h"

namespace fs = std::filesystem;

std::string SjisHex(const std::string& utf8) {
  std::string sjis;
  if (!Utf8ToSjis(utf8, &sjis)) ADD_FAILURE() << "no Shift-JIS form: " << utf8;
  return HexOf(sjis);
}

void ExpectText(const Event& e, const std::string& field, const std::string& utf8) {
  EXPECT_EQ(e[field + "_sjis"], SjisHex(utf8))
      << e.kind << " " << field << ": shown \"" << e[field] << "\", expected \"" << utf8 << "\"";
}

void ExpectBox(const Event& box, const std::string& text, const std::string& buttons,
               const std::string& icon, const std::string& owner) {
  ASSERT_EQ(box.kind, "box");
  ExpectText(box, "text", text);
  ExpectText(box, "caption", said::kTitle);
  EXPECT_EQ(box["buttons"], buttons) << box["text"];
  EXPECT_EQ(box["icon"], icon) << box["text"];
  EXPECT_EQ(box["owner"], owner) << box["text"];
}

static std::vector<std::string> RelativePaths(const std::string& root) {
  std::vector<std::string> paths;
  for (auto& e : fs::recursive_directory_iterator(root))
    paths.push_back(fs::relative(e.path(), root).string() + (e.is_directory() ? "/" : ""));
  std::sort(paths.begin(), paths.end());
  return paths;
}

void ExpectSameTree(const std::string& expected, const std::string& actual) {
  std::vector<std::string> paths = RelativePaths(expected);
  ASSERT_EQ(RelativePaths(actual), paths);
  for (const std::string& rel : paths) {
    if (rel.back() == '/') continue;
    EXPECT_EQ(ReadFileBytes(actual + "/" + rel), ReadFileBytes(expected + "/" + rel)) << rel;
  }
}

std::string StubTest::MakeArchive(const std::string& name, const std::vector<std::string>& args) {
  std::vector<std::string> all = {"create", dir_ / name};
  all.insert(all.end(), args.begin(), args.end());
  RunResult r = RunCorvane(all);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  return dir_ / name;
}

void StubTest::DamageBlock(const std::string& archive, size_t block) {
  // The stream starts after the size, the two empty header strings and the
  // flags byte; a block is 4096 data bytes and a CRC of 2.
  const size_t kStreamStart = 26112 + 4 + 1 + 1 + 1, kBlock = 4098;
  Bytes bytes = ReadFileBytes(archive);
  ASSERT_GT(bytes.size(), kStreamStart + 2 * block * kBlock);
  bytes[kStreamStart + block * kBlock + 1000] ^= 0x01;
  WriteFileBytes(archive, bytes);
}

std::string StubTest::Resized(const std::string& archive, const std::string& name, size_t size) {
  Bytes bytes = ReadFileBytes(archive);
  bytes.resize(size, 0);
  WriteFileBytes(dir_ / name, bytes);
  return dir_ / name;
}

std::string StubTest::Cwd() {
  fs::create_directories(dir_ / "cwd");
  return dir_ / "cwd";
}

std::string StubTest::Out() {
  fs::create_directories(dir_ / "out");
  return dir_ / "out";
}

Transcript StubTest::Play(const Script& script) {
  fs::create_directories(SCREENSHOT_DIR);
  Transcript t = RunScript(script);
  EXPECT_EQ(t.driverExit, 0) << "driver transcript:\n" << t.text << "\nWine:\n" << t.errors;
  return t;
}

Transcript StubTest::ExpandWithOneBox(const std::string& archive, const std::string& folderText) {
  Script s(archive, Cwd());
  s.Add({"set", kFolderEdit, folderText})
      .Add({"click", kExpandButton})
      .Add({"box"})
      .Add({"answer", "ok"});
  Transcript t = Play(s.Add({"exit"}));
  EXPECT_EQ(t.Kinds(), (Kinds{"started", "set", "clicked", "box", "answered", "exit"}));
  return t;
}
