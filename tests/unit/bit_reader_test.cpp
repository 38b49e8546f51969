#include <gtest/gtest.h>

#include <vector>

#include "payload/bit_reader.h"
#include "tests/test_files.h"

// A block reader over a program file made of the given data bytes.
class BitReaderTest : public ::testing::Test {
 protected:
  void Open(const Bytes& data) {
    ProgramFile p;
    p.blockStream = MakeBlockStream(data);
    WriteFileBytes(dir_ / "p.exe", MakeProgramFile(p));
    file_ = OsOpenNative((dir_ / "p.exe").c_str());
    ASSERT_TRUE(OsSeek(file_, 26112 + 4 + 1 + 1 + 1));
    BeginBlockStream(&reader_, file_, false, nullptr, 0);
    bits_.source = &reader_;
    bits_.bitCount = 0;
    bits_.bitByte = 0;
  }
  void TearDown() override { OsClose(file_); }

  TempDir dir_;
  OsFile file_ = kNoFile;
  BlockReader reader_;
  BitReader bits_;
};

TEST_F(BitReaderTest, HandsOutBitsLeastSignificantFirst) {
  Open({0xA5, 0xFF});
  std::vector<int> got;
  for (int i = 0; i < 8; i++) got.push_back(ReadBit(&bits_));
  EXPECT_EQ(got, (std::vector<int>{1, 0, 1, 0, 0, 1, 0, 1}));
  EXPECT_EQ(reader_.streamPos, 1);
  ReadBit(&bits_);  // the ninth bit loads the second byte
  EXPECT_EQ(reader_.streamPos, 2);
}

TEST_F(BitReaderTest, FieldsSpanBytesLowBitFirst) {
  Open({0x34, 0x12});
  EXPECT_EQ(ReadBits(&bits_, 12), 0x234u);
  EXPECT_EQ(ReadBit(&bits_), 1);  // bit 4 of 0x12
}

TEST_F(BitReaderTest, ResetDropsTheRestOfTheByte) {
  Open({0x1F, 0x02});
  for (int i = 0; i < 5; i++) EXPECT_EQ(ReadBit(&bits_), 1);
  ResetBits(&bits_);
  EXPECT_EQ(ReadBit(&bits_), 0);  // bit 0 of 0x02
  EXPECT_EQ(ReadBit(&bits_), 1);
}
