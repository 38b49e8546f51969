// Protected archives: the stored check word, the key cycled over the data
// bytes across blocks, and a wrong key caught by the block CRC.
#include <gtest/gtest.h>

#include "payload/password.h"
#include "tests/roundtrip/roundtrip_support.h"

namespace {

std::vector<ArchiveEntry> SomeFiles() {
  return {FolderEntry("docs"),
          FileEntry("docs\\a.txt", TextLike(300, 20000), TimeOf(1700000000, 100),
                    TimeOf(1700000100, 200), TimeOf(1700000200, 300)),
          FileEntry("docs\\b.bin", RandomBytes(301, 9000), Moment(5), Moment(6), Moment(7))};
}

struct KeyCase {
  uint8_t flags;
  std::string password;
};

ArchiveOptions Protected(const KeyCase& c) {
  ArchiveOptions options;
  options.password = c.password;
  options.protectionFlags = c.flags;
  return options;
}

class ProtectedRoundTrip : public ::testing::TestWithParam<KeyCase> {};

TEST_P(ProtectedRoundTrip, TheRightKeyExtractsAndTheHeaderHoldsTheCheckWord) {
  const KeyCase c = GetParam();
  TempDir dir;
  ArchiveOptions options = Protected(c);
  options.description = "desc";
  Extracted x = RoundTrip(dir, SomeFiles(), options, B(c.password));
  // Header: size, "desc" 0, "" 0, flags, W = check XOR (F * 257).
  size_t at = 4 + 5 + 1;
  ASSERT_GT(x.payload.size(), at + 3);
  EXPECT_EQ(x.payload[at], c.flags);
  uint16_t stored = (uint16_t)(x.payload[at + 1] | x.payload[at + 2] << 8);
  uint16_t check = PasswordCheckValue((const uint8_t*)c.password.data(), (int)c.password.size());
  EXPECT_EQ(stored ^ (c.flags * 257), check);
  EXPECT_TRUE(CheckPassword(check, (const uint8_t*)c.password.data(), (int)c.password.size()));
  // The stream is really scrambled: the plain names are not in it.
  std::string raw(x.payload.begin(), x.payload.end());
  EXPECT_EQ(raw.find("docs\\a.txt"), std::string::npos);
  Bytes items = ItemStreamOf(x.payload, c.password);
  std::string plain(items.begin(), items.end());
  EXPECT_NE(plain.find("docs\\."), std::string::npos);
}

TEST_P(ProtectedRoundTrip, AWrongKeyIsRejectedByTheBlockCheck) {
  const KeyCase c = GetParam();
  TempDir dir;
  std::string wrong = c.password;
  wrong.back() ^= 1;
  Extracted x = BuildAndExtract(dir, SomeFiles(), Protected(c), B(wrong));
  EXPECT_EQ(x.outcome.result, kExtractDamaged);
  EXPECT_TRUE(x.items.empty());
}

// Keys of 1, 3 (4096 mod 3 = 1: the second block starts on key byte 2)
// and 7 bytes, one of them double-byte Shift-JIS.
INSTANTIATE_TEST_SUITE_P(Keys, ProtectedRoundTrip,
                         ::testing::Values(KeyCase{1, "k"}, KeyCase{1, "abc"},
                                           KeyCase{2, "abc"}, KeyCase{2, "pa\x95\\ss!"}));

TEST(Protection, AnUnprotectedArchiveHasFlagsZeroAndNoCheckWord) {
  std::vector<uint8_t> payload;
  std::string error;
  ArchiveOptions options;
  options.protectionFlags = 3;  // ignored without a password
  ASSERT_TRUE(BuildPayload({FileEntry("x", B("hello"))}, options, &payload, nullptr, &error));
  EXPECT_EQ(payload[6], 0);
  EXPECT_EQ(HeaderLengthOf(payload), 7u);
  Bytes items = ItemStreamOf(payload);
  EXPECT_EQ(items[0], 'x');
}

}  // namespace
