// The progress line's text: labels cut by characters to the terminal's
// width, wide characters counted as two columns, and never a line that
// reaches the last column.
#include <gtest/gtest.h>

#include <string>

#include "cli/terminal.h"
#include "cli/text_columns.h"
#include "tests/test_files.h"

namespace {

// A long name of mixed widths: ASCII, two-column kanji and kana, a
// combining accent, a three-byte and a four-byte character.
const std::string kLabel =
    "big/表示/ソース/e\u0301t\u00e9/data-\u20ac-\U0001F600/能力の十分なファイル名-0123456789.bin";

}  // namespace

TEST(TextColumnsTest, WideCharactersTakeTwoColumnsAndMarksNone) {
  TextColumns measure;
  EXPECT_EQ(measure.Width("abc"), 3);
  EXPECT_EQ(measure.Width("表示"), 4);
  EXPECT_EQ(measure.Width("ｱｲ"), 2);  // half-width katakana
  EXPECT_EQ(measure.Width("e\u0301"), 1);
  EXPECT_EQ(measure.Width(""), 0);
}

TEST(TextColumnsTest, CutsKeepTheEndAndNeverSplitACharacter) {
  TextColumns measure;
  int whole = measure.Width(kLabel);
  for (int columns = 0; columns <= whole + 2; columns++) {
    std::string cut = measure.KeepEnd(kLabel, columns);
    SCOPED_TRACE(columns);
    EXPECT_TRUE(IsUtf8(cut)) << cut;
    EXPECT_LE(measure.Width(cut), columns) << cut;
    if (columns >= whole) {
      EXPECT_EQ(cut, kLabel);
      continue;
    }
    if (columns < 3) continue;
    // "..." and a tail of the label that starts on a character.
    ASSERT_EQ(cut.compare(0, 3, "..."), 0) << cut;
    std::string tail = cut.substr(3);
    ASSERT_LE(tail.size(), kLabel.size());
    EXPECT_EQ(kLabel.compare(kLabel.size() - tail.size(), tail.size(), tail), 0) << cut;
    // As much as fits: the character before the tail would not (a
    // combining mark is never left without its base).
    size_t start = kLabel.size() - tail.size();
    do {
      ASSERT_GT(start, 0u);
      start--;
      while (start > 0 && ((uint8_t)kLabel[start] & 0xC0) == 0x80) start--;
    } while (measure.Width(kLabel.substr(start)) == measure.Width(tail));
    std::string longer = "..." + kLabel.substr(start);
    EXPECT_GT(measure.Width(longer), columns) << longer;
  }
}

TEST(TextColumnsTest, BytesThatAreNotUtf8AreCharactersOfTheirOwn) {
  TextColumns measure;
  std::string bad = "ab\xff\xe8\xa1zz";  // a stray byte and a cut sequence
  EXPECT_EQ(measure.Width(bad), 7);
  uint32_t cp;
  EXPECT_EQ(NextUtf8Char("\xe8\xa1", 0, &cp), 1u);
  EXPECT_EQ(cp, 0xFFFDu);
  EXPECT_EQ(NextUtf8Char("\xc0\x80", 0, &cp), 1u);  // overlong
  EXPECT_EQ(NextUtf8Char("\xed\xa0\x80", 0, &cp), 1u);  // a surrogate
  EXPECT_EQ(NextUtf8Char("表", 0, &cp), 3u);
  EXPECT_EQ(cp, 0x8868u);
}

TEST(TextColumnsTest, ControlCharactersNeverReachTheTerminal) {
  std::string shown = PrintableText("a\x1b[2Jb\x07\u0085c\x7f表");
  EXPECT_EQ(shown, "a?[2Jb??c?表");
}

TEST(ProgressLineTest, FitsEveryWidthWithoutWrapping) {
  TextColumns measure;
  for (int columns = 1; columns <= 160; columns++) {
    for (int permille : {0, 5, 999, 1000}) {
      std::string line = ProgressLine(permille, kLabel, columns, measure);
      SCOPED_TRACE(std::to_string(columns) + " columns, " + std::to_string(permille));
      EXPECT_TRUE(IsUtf8(line)) << line;
      EXPECT_LE(measure.Width(line), columns - 1) << line;
      EXPECT_EQ(line.find('\n'), std::string::npos);
    }
  }
}

TEST(ProgressLineTest, ShowsTheFigureTheBarAndTheLabelWhereThereIsRoom) {
  TextColumns measure;
  std::string wide = ProgressLine(425, "tree/a.txt", 80, measure);
  EXPECT_NE(wide.find("42.5%"), std::string::npos) << wide;
  EXPECT_NE(wide.find("tree/a.txt"), std::string::npos) << wide;
  // 42.5% of the bar's cells are filled, rounded down.
  size_t open = wide.find('['), close = wide.find(']');
  ASSERT_NE(open, std::string::npos);
  ASSERT_NE(close, std::string::npos);
  std::string cells = wide.substr(open + 1, close - open - 1);
  size_t filled = std::count(cells.begin(), cells.end(), '#');
  EXPECT_EQ(filled, cells.size() * 425 / 1000) << cells;
  EXPECT_EQ(cells.find_first_not_of('#'), filled);
  // The label's end survives on a narrow terminal; the bar gives way.
  std::string narrow = ProgressLine(425, kLabel, 40, measure);
  EXPECT_NE(narrow.find("42.5%"), std::string::npos) << narrow;
  EXPECT_NE(narrow.find("0123456789.bin"), std::string::npos) << narrow;
  std::string tiny = ProgressLine(425, kLabel, 20, measure);
  EXPECT_EQ(tiny.find('['), std::string::npos) << tiny;
  EXPECT_NE(tiny.find("42.5%"), std::string::npos) << tiny;
}
