// What the stub's end-to-end tests share: the texts the stub must show,
// archives made with corvane, driver runs, and checks of their events.
#ifndef CORVANE_TESTS_WINE_STUB_TEST_H
#define CORVANE_TESTS_WINE_STUB_TEST_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/test_files.h"
#include "tests/wine/wine_session.h"

// The stub's texts, as a user reads them (UTF-8 here; the stub shows the
// Shift-JIS of each).
namespace said {
const char kTitle[] = "Corvane Ver 1.60";
const char kProgressTitle[] = "ファイルの解凍中";
const char kShorter[] = "ファイルのサイズが元々のファイルより小さいです。解凍できません。";
const char kLonger[] =
    "ファイルのサイズが元々のファイルより大きいです。"
    "このファイルはウイルスに感染している可能性があります。解凍できません。";
const char kReadFailed[] = "ファイルの読み込みに失敗しました。";
const char kWriteFailed[] = "ファイルの書き込みに失敗しました。";
const char kDamaged[] = "ファイルが壊れています。";
const char kFolderFailed[] = "フォルダが作れませんでした:";
const char kOverwrite[] = "はすでに存在します。上書きしますか？";
const char kWrongPassword[] = "パスワードが違います。";
const char kCreateFolder[] = "指定されたフォルダはありません。このフォルダを作りますか？";
const char kCannotCreate[] = "フォルダが作れません。";
const char kCancelled[] = "ファイルの解凍を中断しました。";
const char kFinished[] = "ファイルの解凍が終わりました。";
const char kRunFailed[] = "が実行できませんでした。";
const char kBrowseTitle[] = "解凍先を選んでください。";
const char kExamining[] = "処理中:";
const char kExpanding[] = "解凍中:";
}  // namespace said

// The event names of a transcript, in order.
typedef std::vector<std::string> Kinds;

// Control ids of the main window, as script steps name them.
const char kPasswordEdit[] = "2";
const char kExpandButton[] = "3";
const char kFolderEdit[] = "7";
const char kBrowseButton[] = "8";

// Hex of the Shift-JIS form of a UTF-8 text, as the driver reports texts.
std::string SjisHex(const std::string& utf8);

// The event's text field holds exactly the Shift-JIS of `utf8`.
void ExpectText(const Event& e, const std::string& field, const std::string& utf8);

// A message box with this text, the title banner as caption, these
// buttons ("ok", "yes,no", "yes,no,cancel"), icon and owner.
void ExpectBox(const Event& box, const std::string& text, const std::string& buttons,
               const std::string& icon, const std::string& owner = "main");

// The same relative paths below both folders, and the same bytes in every
// file.
void ExpectSameTree(const std::string& expected, const std::string& actual);

class StubTest : public ::testing::Test {
 protected:
  // corvane create dir_/NAME ARGS...; the test fails unless it succeeds.
  std::string MakeArchive(const std::string& name, const std::vector<std::string>& args);
  // Flips one bit in the middle of the block of this number (from 0) of an
  // archive made without a description, run command or password; the
  // test fails unless the archive reaches twice as far.
  void DamageBlock(const std::string& archive, size_t block);
  // A copy of the bare stub, or of an archive cut or extended to `size`.
  std::string Resized(const std::string& archive, const std::string& name, size_t size);
  // The archive's current folder, and a destination folder; both are
  // made on first use.
  std::string Cwd();
  std::string Out();
  // Runs the script; the test fails unless every step ran.
  Transcript Play(const Script& script);
  // Types `folderText` into the folder edit, clicks the expand button,
  // answers the one box that follows with OK and waits for the end; the
  // test fails unless the stub took exactly that road.
  Transcript ExpandWithOneBox(const std::string& archive, const std::string& folderText);

  TempDir dir_;
};

#endif
