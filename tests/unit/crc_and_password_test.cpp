// The CRC-16 and the password check.
#include <gtest/gtest.h>

#include <string>

#include "payload/crc16.h"
#include "payload/password.h"

static uint32_t AugmentedCrc(const std::string& s) {
  uint32_t reg = 0;
  for (unsigned char c : s) reg = CrcAddByte(reg, c);
  return CrcAddByte(CrcAddByte(reg, 0), 0);
}

static uint16_t TableCrc(const std::string& s) {
  return Crc16Update(0, (const uint8_t*)s.data(), (int)s.size());
}

TEST(Crc16, PublishedCheckValuesInBothForms) {
  EXPECT_EQ(AugmentedCrc("123456789"), 0xFEE8u);
  EXPECT_EQ(AugmentedCrc("abc"), 0xCADBu);
  EXPECT_EQ(AugmentedCrc(""), 0u);
  EXPECT_EQ(TableCrc("123456789"), 0xFEE8);
  EXPECT_EQ(TableCrc("abc"), 0xCADB);
  EXPECT_EQ(TableCrc(""), 0);
}

// Both table forms (eight bytes a step on the host, four in the stub)
// against the bit-serial one, at every length, and continued from a
// register that is not 0 at every split.
TEST(Crc16, TableFormsAgreeWithBitSerialFormOnEveryByte) {
  std::string s;
  for (int i = 0; i < 1000; i++) {
    s.push_back((char)(i * 37 + 11));
    ASSERT_EQ(AugmentedCrc(s), TableCrc(s)) << "length " << s.size();
    ASSERT_EQ(AugmentedCrc(s), Crc16UpdateCompact(0, (const uint8_t*)s.data(), (int)s.size()))
        << "length " << s.size();
  }
  const uint8_t* p = (const uint8_t*)s.data();
  for (int split = 0; split <= 40; split++) {
    uint16_t head = Crc16Update(0, p, split);
    ASSERT_EQ(Crc16Update(head, p + split, 1000 - split), AugmentedCrc(s)) << "split " << split;
    uint16_t compactHead = Crc16UpdateCompact(0, p, split);
    ASSERT_EQ(Crc16UpdateCompact(compactHead, p + split, 1000 - split), AugmentedCrc(s))
        << "split " << split;
  }
}

TEST(Crc16, MessageFollowedByItsCrcLeavesZero) {
  std::string s = "a block of data";
  uint16_t crc = TableCrc(s);
  std::string framed = s + (char)(crc >> 8) + (char)(crc & 0xFF);
  EXPECT_EQ(TableCrc(framed), 0);
  uint32_t reg = 0;
  for (unsigned char c : framed) reg = CrcAddByte(reg, c);
  EXPECT_EQ(reg, 0u);
}

TEST(Password, ChecksTheExactBytes) {
  uint16_t check = PasswordCheckValue((const uint8_t*)"abc", 3);
  EXPECT_EQ(check, 0xCADB);
  EXPECT_TRUE(CheckPassword(check, (const uint8_t*)"abc", 3));
  EXPECT_FALSE(CheckPassword(check, (const uint8_t*)"abc ", 4));
  EXPECT_FALSE(CheckPassword(check, (const uint8_t*)"ABC", 3));
  // The empty text has CRC 0: it passes only a check value of 0.
  EXPECT_TRUE(CheckPassword(0, (const uint8_t*)"", 0));
  EXPECT_FALSE(CheckPassword(check, (const uint8_t*)"", 0));
  // A double-byte character contributes both bytes.
  const uint8_t sjis[] = {0x95, 0x5C};
  EXPECT_EQ(PasswordCheckValue(sjis, 2), AugmentedCrc("\x95\x5C"));
}
