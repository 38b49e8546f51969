// The block reader: blocks, CRC failures, deciphering, the end of the payload.
#include <gtest/gtest.h>

#include "payload/block_reader.h"
#include "payload/payload_layout.h"
#include "tests/test_files.h"

// Opens a program file with the given block stream and begins reading it.
class BlockReaderTest : public ::testing::Test {
 protected:
  void Open(const Bytes& blockStream, const Bytes& key = Bytes(),
            uint8_t flags = 0) {
    ProgramFile p;
    p.flags = flags;
    p.blockStream = blockStream;
    WriteFileBytes(dir_ / "p.exe", MakeProgramFile(p));
    file_ = OsOpenNative((dir_ / "p.exe").c_str());
    ASSERT_NE(file_, kNoFile);
    PayloadHeader h;
    h.description = desc_;
    h.descriptionCap = sizeof desc_ - 1;
    h.runCommand = run_;
    h.runCommandCap = sizeof run_ - 1;
    ASSERT_EQ(LoadPayloadHeader(file_, &h), kHeaderRead);
    key_ = key;
    BeginBlockStream(&r_, file_, h.protection.isProtected, key_.data(),
                     (int32_t)key_.size());
  }
  void TearDown() override { OsClose(file_); }

  static Bytes Pattern(size_t n) {
    Bytes b(n);
    for (size_t i = 0; i < n; i++) b[i] = (uint8_t)(i * 7 + (i >> 8));
    return b;
  }

  TempDir dir_;
  OsFile file_ = kNoFile;
  char desc_[64], run_[64];
  Bytes key_;
  BlockReader r_;
};

TEST_F(BlockReaderTest, OneFullBlockEndsWithItsLastByte) {
  Bytes data = Pattern(4096);
  Open(MakeBlockStream(data));
  for (int i = 0; i < 4096; i++) {
    ASSERT_FALSE(r_.payloadEnded) << i;
    ASSERT_EQ(ReadByte(&r_), data[i]) << i;
  }
  EXPECT_TRUE(r_.payloadEnded);
  EXPECT_EQ(r_.status, kReadOk);
  // One byte more than the stream holds is a read failure.
  ReadByte(&r_);
  EXPECT_EQ(r_.status, kReadFailed);
}

TEST_F(BlockReaderTest, A4097ByteStreamEndsOnlyInItsSecondBlock) {
  Bytes data = Pattern(4097);
  Bytes stream = MakeBlockStream(data);
  ASSERT_EQ(stream.size(), 4098u + 3u);
  Open(stream);
  for (int i = 0; i < 4096; i++) ASSERT_EQ(ReadByte(&r_), data[i]);
  EXPECT_FALSE(r_.payloadEnded);
  EXPECT_EQ(ReadByte(&r_), data[4096]);
  EXPECT_TRUE(r_.payloadEnded);
  EXPECT_EQ(r_.status, kReadOk);
}

TEST_F(BlockReaderTest, AFlippedBitAnywhereDamagesItsBlockBeforeAnyByteOfIt) {
  Bytes data = Pattern(3 * 4096 + 100);
  Bytes clean = MakeBlockStream(data);
  for (size_t at : {size_t(0), size_t(4097), size_t(4098 + 17), size_t(2 * 4098 + 4097),
                    clean.size() - 1}) {
    Bytes bad = clean;
    bad[at] ^= 0x10;
    Open(bad);
    size_t block = at / 4098;
    for (size_t i = 0; i < block * 4096; i++) ASSERT_EQ(ReadByte(&r_), data[i]);
    ASSERT_EQ(r_.status, kReadOk);
    EXPECT_EQ(ReadByte(&r_), 0);
    EXPECT_EQ(r_.status, kReadDamaged) << "flipped byte " << at;
    EXPECT_EQ(r_.streamPos, (int32_t)(block * 4096));
    OsClose(file_);
    file_ = kNoFile;
  }
}

TEST_F(BlockReaderTest, TheKeyRunsOnOverDataBytesAcrossBlocks) {
  Bytes data = Pattern(5000);
  Bytes key = {'k', 'e', 'y'};
  Bytes stream = MakeBlockStream(data, key);
  // Data byte 4096 is stored XORed with key byte 2 (4096 mod 3 = 1).
  EXPECT_EQ(stream[4098], data[4096] ^ 'e');
  Open(stream, key, 1);
  for (size_t i = 0; i < data.size(); i++) ASSERT_EQ(ReadByte(&r_), data[i]) << i;
  EXPECT_TRUE(r_.payloadEnded);
  EXPECT_EQ(r_.status, kReadOk);
}

TEST_F(BlockReaderTest, AWrongKeyFailsTheBlockCheck) {
  Bytes data = Pattern(300);
  Open(MakeBlockStream(data, B("right")), B("wrong"), 1);
  ReadByte(&r_);
  EXPECT_EQ(r_.status, kReadDamaged);
}

TEST_F(BlockReaderTest, UnprotectedStreamsAreHandedOutAsStored) {
  Bytes data = Pattern(10);
  Open(MakeBlockStream(data), B("ignored"), 0);
  for (size_t i = 0; i < data.size(); i++) ASSERT_EQ(ReadByte(&r_), data[i]);
  EXPECT_EQ(r_.keyPos, 1);
}

TEST_F(BlockReaderTest, ShortTailsAfterAFullBlock) {
  Bytes data = Pattern(4096);
  Bytes stream = MakeBlockStream(data);
  // One stray non-zero byte: damaged. Two zero bytes pass the CRC but hold
  // no data: a read failure.
  for (auto [tail, expected] :
       {std::pair<Bytes, ReadStatus>{{0x01}, kReadDamaged},
        {{0x00, 0x07}, kReadDamaged},
        {{0x00, 0x00}, kReadFailed}}) {
    Bytes s = stream;
    s.insert(s.end(), tail.begin(), tail.end());
    Open(s);
    for (int i = 0; i < 4096; i++) ReadByte(&r_);
    EXPECT_FALSE(r_.payloadEnded);
    ReadByte(&r_);
    EXPECT_EQ(r_.status, expected);
    OsClose(file_);
    file_ = kNoFile;
  }
}

TEST(PayloadHeader, LengthChecksAndHeaderFields) {
  TempDir dir;
  char desc[16], run[16];
  auto load = [&](const Bytes& file, PayloadHeader* h) {
    WriteFileBytes(dir / "p.exe", file);
    OsFile f = OsOpenNative((dir / "p.exe").c_str());
    h->description = desc;
    h->descriptionCap = sizeof desc - 1;
    h->runCommand = run;
    h->runCommandCap = sizeof run - 1;
    HeaderResult r = LoadPayloadHeader(f, h);
    OsClose(f);
    return r;
  };
  PayloadHeader h;
  EXPECT_EQ(load(Bytes(26112, 0), &h), kHeaderNoPayload);
  for (int extra = 1; extra <= 3; extra++)
    EXPECT_EQ(load(Bytes(26112 + extra, 0), &h), kHeaderUnreadable);

  ProgramFile p;
  p.description = "説明";
  p.runCommand = "readme.txt";
  p.flags = 2;
  p.checkValue = 0x1234;
  p.blockStream = MakeBlockStream(B("x"));
  ASSERT_EQ(load(MakeProgramFile(p), &h), kHeaderRead);
  EXPECT_STREQ(h.description, "説明");
  EXPECT_STREQ(h.runCommand, "readme.txt");
  EXPECT_TRUE(h.protection.isProtected);
  EXPECT_FALSE(h.protection.masked);
  EXPECT_EQ(h.protection.checkValue, 0x1234);

  p.sizeSkew = 1;  // the file is one byte shorter than recorded
  EXPECT_EQ(load(MakeProgramFile(p), &h), kHeaderShorter);
  p.sizeSkew = -1;
  EXPECT_EQ(load(MakeProgramFile(p), &h), kHeaderLonger);

  // A description longer than the buffer is cut, and the header still ends
  // where it should.
  p.sizeSkew = 0;
  p.description = std::string(40, 'd');
  ASSERT_EQ(load(MakeProgramFile(p), &h), kHeaderRead);
  EXPECT_EQ(h.descriptionLen, 15);
  EXPECT_TRUE(h.descriptionTruncated);
  EXPECT_STREQ(h.runCommand, "readme.txt");

  // A header cut short inside the run command.
  Bytes cut = MakeProgramFile(p);
  cut.resize(26112 + 4 + 41 + 3);
  uint32_t n = (uint32_t)cut.size();
  for (int i = 0; i < 4; i++) cut[26112 + i] = (uint8_t)(n >> (8 * i));
  EXPECT_EQ(load(cut, &h), kHeaderTruncated);
}
