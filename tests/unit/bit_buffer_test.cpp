// The bit buffer: bit order, refills across blocks, bytes given back.
#include <gtest/gtest.h>

#include <vector>

#include "payload/bit_buffer.h"
#include "tests/test_files.h"

// A bit buffer over the block stream of a program file made of the given
// data bytes.
class BitBufferTest : public ::testing::Test {
 protected:
  void Open(const Bytes& data) { OpenStream(MakeBlockStream(data)); }
  void OpenStream(const Bytes& blockStream) {
    ProgramFile p;
    p.blockStream = blockStream;
    WriteFileBytes(dir_ / "p.exe", MakeProgramFile(p));
    file_ = OsOpenNative((dir_ / "p.exe").c_str());
    ASSERT_TRUE(OsSeek(file_, 26112 + 4 + 1 + 1 + 1));
    BeginBlockStream(&reader_, file_, false, nullptr, 0);
    BeginBodyBits(&bits_, &reader_);
  }
  void TearDown() override { OsClose(file_); }

  TempDir dir_;
  OsFile file_ = kNoFile;
  BlockReader reader_;
  BitBuffer bits_;
};

TEST_F(BitBufferTest, HandsOutBitsLeastSignificantFirstAndFieldsLowBitFirst) {
  Open({0xA5, 0x34, 0x12});
  std::vector<int> got;
  for (int i = 0; i < 8; i++) got.push_back((int)TakeBits(&bits_, 1));
  EXPECT_EQ(got, (std::vector<int>{1, 0, 1, 0, 0, 1, 0, 1}));
  EXPECT_EQ(TakeBits(&bits_, 12), 0x234u);
  EXPECT_EQ(TakeBits(&bits_, 1), 1u);  // bit 4 of 0x12
  EXPECT_EQ(reader_.status, kReadOk);
}

TEST_F(BitBufferTest, GivesBackWholeBytesAndDropsTheRestOfTheLast) {
  Open({0x1F, 0x02, 0x03, 0x04});
  for (int i = 0; i < 5; i++) EXPECT_EQ(TakeBits(&bits_, 1), 1u);
  EndBodyBits(&bits_);
  EXPECT_EQ(reader_.streamPos, 1);
  EXPECT_FALSE(reader_.payloadEnded);
  EXPECT_EQ(ReadByte(&reader_), 0x02);
  // A body that ends on the payload's last byte raises the end.
  BeginBodyBits(&bits_, &reader_);
  EXPECT_EQ(TakeBits(&bits_, 9), 0x003u | (0x04u & 1) << 8);
  EndBodyBits(&bits_);
  EXPECT_TRUE(reader_.payloadEnded);
}

TEST_F(BitBufferTest, TheNextBlockIsLoadedOnlyWhenOneOfItsBitsIsNeeded) {
  // Two blocks, the second damaged: the first can be read to its last bit
  // before the second is tested.
  Bytes data(4097, 0x5A);
  Bytes stream = MakeBlockStream(data);
  stream.back() ^= 1;
  OpenStream(stream);
  for (int i = 0; i < 4096; i++) ASSERT_EQ(TakeBits(&bits_, 8), 0x5Au) << i;
  EXPECT_EQ(reader_.status, kReadOk);
  EXPECT_FALSE(reader_.payloadEnded);
  TakeBits(&bits_, 1);
  EXPECT_EQ(reader_.status, kReadDamaged);
}

TEST_F(BitBufferTest, AskingPastTheDataFailsTheRead) {
  Open({0xFF});
  EXPECT_EQ(TakeBits(&bits_, 8), 0xFFu);
  EXPECT_EQ(reader_.status, kReadOk);
  TakeBits(&bits_, 1);
  EXPECT_EQ(reader_.status, kReadFailed);
}
