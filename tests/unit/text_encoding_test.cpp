// Shift-JIS <-> UTF-8 as Windows' code page 932 maps it, code by code:
// the single bytes where Windows and glibc part, every code against
// glibc's CP932 and against Windows' own table as Wine ships it (two
// independent tables), the round trip of every mapped code, and the
// duplicates going back where Windows puts them.
#include <gtest/gtest.h>
#include <iconv.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/text_encoding.h"

namespace {

// No single code converts to six bytes.
const std::string kNone = "(none)";

bool IsLead(int b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

std::string Code(int code) {
  std::string s;
  if (code > 0xFF) s += (char)(code >> 8);
  s += (char)code;
  return s;
}

std::string Utf8(char32_t u) {
  std::string s;
  if (u < 0x80) {
    s += (char)u;
  } else if (u < 0x800) {
    s += (char)(0xC0 | u >> 6);
    s += (char)(0x80 | (u & 0x3F));
  } else {
    s += (char)(0xE0 | u >> 12);
    s += (char)(0x80 | ((u >> 6) & 0x3F));
    s += (char)(0x80 | (u & 0x3F));
  }
  return s;
}

// Ours: the UTF-8 of a code, or kNone when it has none.
std::string Decode(const std::string& sjis) {
  std::string utf8;
  return SjisToUtf8(sjis, &utf8) ? utf8 : kNone;
}

std::string Encode(const std::string& utf8) {
  std::string sjis;
  return Utf8ToSjis(utf8, &sjis) ? sjis : kNone;
}

// glibc's CP932, strict: kNone when it refuses.
class Glibc {
 public:
  Glibc() : toUtf8_(iconv_open("UTF-8", "CP932")), fromUtf8_(iconv_open("CP932", "UTF-8")) {}
  ~Glibc() {
    if (toUtf8_ != (iconv_t)-1) iconv_close(toUtf8_);
    if (fromUtf8_ != (iconv_t)-1) iconv_close(fromUtf8_);
  }
  bool ok() const { return toUtf8_ != (iconv_t)-1 && fromUtf8_ != (iconv_t)-1; }
  std::string Decode(const std::string& s) { return Run(toUtf8_, s); }
  std::string Encode(const std::string& s) { return Run(fromUtf8_, s); }

 private:
  static std::string Run(iconv_t cd, const std::string& s) {
    iconv(cd, 0, 0, 0, 0);
    char out[16];
    char* src = const_cast<char*>(s.data());
    size_t left = s.size(), room = sizeof out;
    char* dst = out;
    if (iconv(cd, &src, &left, &dst, &room) == (size_t)-1 ||
        iconv(cd, 0, 0, &dst, &room) == (size_t)-1)
      return kNone;
    return std::string(out, dst);
  }
  iconv_t toUtf8_, fromUtf8_;
};

// Code page 932 as Windows' MultiByteToWideChar and WideCharToMultiByte
// use it: Wine's c_932.nls, made from Microsoft's published table with
// its best-fit entries. A header of 13 words (the default characters
// among them), the offset to the table back, the 256 single bytes, an
// optional glyph table, then per lead byte an offset to its 256 trail
// bytes; the table back has a word for every UTF-16 unit.
class WindowsTable {
 public:
  explicit WindowsTable(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
      w_.push_back((uint16_t)((uint8_t)bytes[i] | (uint8_t)bytes[i + 1] << 8));
    if (w_.size() < 300 || w_[0] != 13 || w_[1] != 932) return;
    size_t p = w_[0];
    back_ = p + w_[p] + 1;
    single_ = p + 1;
    size_t q = single_ + 256;
    if (w_[q++]) q += 256;
    offsets_ = q + 1;
    ok_ = back_ + 65536 == w_.size();
  }
  bool ok() const { return ok_; }
  uint16_t unknownChar() const { return w_[4]; }    // what an unmapped code gives
  uint16_t unknownCode() const { return w_[3]; }    // what an unmapped character gives
  uint16_t ToUnicode(int code) const {
    if (code <= 0xFF) return w_[single_ + code];
    return w_[offsets_ + w_[offsets_ + (code >> 8)] + (code & 0xFF)];
  }
  uint16_t ToCode(char32_t u) const { return w_[back_ + u]; }

 private:
  std::vector<uint16_t> w_;
  size_t back_ = 0, single_ = 0, offsets_ = 0;
  bool ok_ = false;
};

const char kWineTable[] = "/usr/share/wine/nls/c_932.nls";

// Every code that could be one: the single bytes that are no lead byte
// and every lead byte with every byte after it.
std::vector<int> AllCodes() {
  std::vector<int> codes;
  for (int b = 0; b < 256; b++)
    if (!IsLead(b)) codes.push_back(b);
  for (int lead = 0x81; lead <= 0xFC; lead++)
    if (IsLead(lead))
      for (int trail = 0; trail < 256; trail++) codes.push_back(lead << 8 | trail);
  return codes;
}

// Where a code stands in Windows' order of preference among duplicates:
// JIS X 0208, NEC row 13, the IBM extensions, the NEC-selected ones.
int Preference(int code) {
  if (code >= 0x8740 && code <= 0x879C) return 1;
  if (code >= 0xFA40 && code <= 0xFC4B) return 2;
  if (code >= 0xED40 && code <= 0xEEFC) return 3;
  return 0;
}

}  // namespace

TEST(TextEncoding, SingleBytesAreWindowsOwn) {
  for (int b = 0; b < 256; b++) {
    if (IsLead(b)) continue;
    SCOPED_TRACE(b);
    char32_t want = b < 0x80 ? b                                // ASCII, controls too
                    : b == 0x80 ? 0x80
                    : b == 0xA0 ? 0xF8F0
                    : b <= 0xDF ? 0xFF61 + (b - 0xA1)           // half-width katakana
                                : 0xF8F1 + (b - 0xFD);          // 0xFD-0xFF
    EXPECT_EQ(Decode(Code(b)), Utf8(want));
    EXPECT_EQ(Encode(Utf8(want)), Code(b));
  }
}

TEST(TextEncoding, AgreesWithGlibcExceptWhereGlibcRefusesWindowsBytes) {
  Glibc glibc;
  ASSERT_TRUE(glibc.ok());
  std::vector<int> onlyOurs;
  int mapped = 0;
  for (int code : AllCodes()) {
    std::string ours = Decode(Code(code)), theirs = glibc.Decode(Code(code));
    if (ours != kNone) mapped++;
    if (ours == theirs) continue;
    EXPECT_EQ(theirs, kNone) << std::hex << code;  // never a different character
    onlyOurs.push_back(code);
  }
  EXPECT_EQ(onlyOurs, (std::vector<int>{0x80, 0xA0, 0xFD, 0xFE, 0xFF}));
  // ASCII, the katakana and 7724 double-byte codes (the 7915 codes of
  // Microsoft's published table), the five above, and the 1880 codes of
  // the user-defined area.
  EXPECT_EQ(mapped, 128 + 63 + 7724 + 5 + 1880);
}

TEST(TextEncoding, AgreesWithWindowsOwnTable) {
  WindowsTable windows(kWineTable);
  if (!windows.ok()) GTEST_SKIP() << kWineTable << " (Wine's, installed with the tests) is missing";
  // What Windows maps is ours, and what it turns into its default
  // character ("・") is refused here.
  for (int code : AllCodes()) {
    std::string ours = Decode(Code(code));
    uint16_t theirs = windows.ToUnicode(code);
    if (ours == kNone)
      EXPECT_TRUE(theirs == windows.unknownChar() || theirs == 0) << std::hex << code;
    else
      EXPECT_EQ(ours, Utf8(theirs)) << std::hex << code;
  }
  // Back: where Windows has a code that comes back, the same one; where it
  // has only its default or a best-fit one ("A" for "À"), none.
  for (char32_t u = 0; u < 0x10000; u++) {
    if (u >= 0xD800 && u < 0xE000) continue;
    std::string ours = Encode(Utf8(u));
    uint16_t theirs = windows.ToCode(u);
    bool roundTrip = windows.ToUnicode(theirs) == u &&
                     !(theirs == windows.unknownCode() && u != windows.unknownCode());
    if (roundTrip)
      EXPECT_EQ(ours, Code(theirs)) << std::hex << (int)u;
    else
      EXPECT_EQ(ours, kNone) << std::hex << (int)u << " " << theirs;
  }
}

TEST(TextEncoding, EveryMappedCodeComesBackOrGoesToTheCodeWindowsPrefers) {
  int duplicates = 0;
  for (int code : AllCodes()) {
    std::string utf8 = Decode(Code(code));
    if (utf8 == kNone) continue;
    SCOPED_TRACE(code);
    std::string back = Encode(utf8);
    ASSERT_NE(back, kNone);
    EXPECT_EQ(Decode(back), utf8);
    if (back == Code(code)) continue;
    duplicates++;
    int preferred = (uint8_t)back[0] << 8 | (uint8_t)back[1];
    EXPECT_LT(Preference(preferred), Preference(code)) << std::hex << preferred;
  }
  // The codes that share their character with a preferred one: NEC row
  // 13 against JIS X 0208, the NEC-selected against the IBM extensions,
  // and the IBM extensions against both.
  EXPECT_EQ(duplicates, 398);
}

TEST(TextEncoding, DuplicatesGoWhereWindowsPutsThem) {
  struct {
    char32_t u;
    int code;
  } cases[] = {
      {0x2252, 0x81E0},  // ≒: JIS X 0208, not NEC row 13 0x8790
      {0x2235, 0x81E6},  // ∵: not 0x879A nor 0xFA5B
      {0xFFE2, 0x81CA},  // ￢: not 0xEEF9 nor 0xFA54
      {0x2160, 0x8754},  // Ⅰ: NEC row 13, not IBM 0xFA4A
      {0x2116, 0x8782},  // №: not 0xFA59
      {0x2170, 0xFA40},  // ⅰ: IBM, not NEC-selected 0xEEEF
      {0x7E8A, 0xFA5C},  // 纊: IBM, not NEC-selected 0xED40
      {0xE000, 0xF040},  // the user-defined area
      {0xE757, 0xF9FC},
  };
  for (auto c : cases) EXPECT_EQ(Encode(Utf8(c.u)), Code(c.code)) << std::hex << c.code;
}

TEST(TextEncoding, EncodingAgreesWithGlibcWhereGlibcRoundTrips) {
  Glibc glibc;
  ASSERT_TRUE(glibc.ok());
  for (char32_t u = 0; u < 0x10000; u++) {
    if (u >= 0xD800 && u < 0xE000) continue;
    std::string utf8 = Utf8(u);
    std::string theirs = glibc.Encode(utf8);
    if (theirs == kNone || glibc.Decode(theirs) != utf8) continue;
    EXPECT_EQ(Encode(utf8), theirs) << std::hex << (int)u;
  }
}

TEST(TextEncoding, CharactersWithoutACodeOfTheirOwnAreRefused) {
  // Best-fit substitutes (¥ would become the separator 0x5C), one-way
  // mappings of other tables, private-use fallbacks, beyond the BMP.
  for (char32_t u : {0x00A5, 0x203E, 0x2014, 0x00A2, 0x301C, 0xF86F, 0x1F600})
    EXPECT_EQ(Encode(u < 0x10000 ? Utf8(u) : "\xF0\x9F\x98\x80"), kNone) << std::hex << (int)u;
}

TEST(TextEncoding, MalformedInputIsRefusedAndRoomIsKept) {
  EXPECT_EQ(Decode("a\x81"), kNone);        // a lead byte at the end
  EXPECT_EQ(Decode("\x81\x20"), kNone);     // a trail byte the lead does not take
  EXPECT_EQ(Decode("\x85\x40"), kNone);     // an unassigned row
  EXPECT_EQ(Encode("\xC3"), kNone);         // cut UTF-8
  EXPECT_EQ(Encode("\xED\xA0\x80"), kNone); // a surrogate
  char out[8];
  EXPECT_EQ(ConvertText(true, "\x95\x5C", 2, out, 2), -2);  // 表 takes 3 bytes
  EXPECT_EQ(ConvertText(true, "\x95\x5C", 2, out, 3), 3);
  EXPECT_EQ(std::string(out, 3), "\xE8\xA1\xA8");
  EXPECT_EQ(ConvertText(false, "\xE8\xA1\xA8", 3, out, 1), -2);
  EXPECT_EQ(ConvertText(false, "\xE8\xA1\xA8", 3, out, 2), 2);
  EXPECT_EQ(std::string(out, 2), "\x95\x5C");
  // ASCII alone and ASCII before a double-byte character, both ways.
  for (bool toUtf8 : {true, false}) {
    EXPECT_EQ(ConvertText(toUtf8, "a\\b", 3, out, 2), -2);
    EXPECT_EQ(ConvertText(toUtf8, "a\\b", 3, out, 3), 3);
    EXPECT_EQ(std::string(out, 3), "a\\b");
  }
  EXPECT_EQ(ConvertText(true, "ab\x95\x5C", 4, out, 4), -2);
  EXPECT_EQ(ConvertText(true, "ab\x95\x5C", 4, out, 5), 5);
  EXPECT_EQ(std::string(out, 5), "ab\xE8\xA1\xA8");
}
