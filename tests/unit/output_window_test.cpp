// The output window: flushes, the preset history, the reference slot.
#include <gtest/gtest.h>

#include <memory>

#include <fcntl.h>
#include <unistd.h>

#include "engine/output_window.h"
#include "tests/test_files.h"

// Feeds an output window over a real file and checks what reached it.
class OutputWindowTest : public ::testing::Test {
 protected:
  void Begin(int32_t presetLength, int32_t shared, bool skip) {
    int fd = ::open((dir_ / "f").c_str(), O_RDWR | O_CREAT | O_TRUNC, 0666);
    file_ = fd;
    preset_.assign((size_t)presetLength, 0);
    for (int32_t i = 0; i < presetLength; i++) preset_[(size_t)i] = (uint8_t)(i * 3);
    sink_ = {&file_, nullptr, nullptr, &WriteToFile, nullptr, nullptr};
    BeginFile(w_.get(), preset_.data(), presetLength, shared, slot_.get(), skip ? nullptr : &sink_);
  }
  static bool WriteToFile(void* file, const uint8_t* bytes, int32_t n) {
    int put = 0;
    return OsWrite(*(OsFile*)file, bytes, n, &put) && put == n;
  }
  void Put(int64_t n) {
    for (int64_t i = 0; i < n; i++) PutByte(w_.get(), Value(produced_++));
  }
  static uint8_t Value(int64_t i) { return (uint8_t)(i * 7 + (i >> 9)); }
  int64_t FileSize() { return OsFileSize(file_); }
  void TearDown() override { OsClose(file_); }

  TempDir dir_;
  OsFile file_ = kNoFile;
  OutputSink sink_;
  Bytes preset_;
  int64_t produced_ = 0;
  std::unique_ptr<OutputWindow> w_ = std::make_unique<OutputWindow>();
  std::unique_ptr<ReferenceSlot> slot_ = std::make_unique<ReferenceSlot>();
};

TEST_F(OutputWindowTest, EmptyFileWritesNothing) {
  Begin(0, 0, false);
  EXPECT_TRUE(FlushRest(w_.get()));
  EXPECT_EQ(FileSize(), 0);
}

TEST_F(OutputWindowTest, AFullWindowIsFlushedOnlyByTheNextByte) {
  const int32_t P = 5000;
  Begin(P, 0, false);
  Put(kWindowBytes - P);
  EXPECT_EQ(FileSize(), 0);  // no flush while decoding
  EXPECT_EQ(w_->base, 0);
  Put(1);
  EXPECT_EQ(FileSize(), kFlushBytes - P);
  EXPECT_EQ(w_->base, kFlushBytes);
  EXPECT_EQ(w_->head, 0);
  ASSERT_TRUE(FlushRest(w_.get()));
  EXPECT_EQ(FileSize(), kWindowBytes - P + 1);
  Bytes got = ReadFileBytes(dir_ / "f");
  for (int64_t i = 0; i < produced_; i++) ASSERT_EQ(got[(size_t)i], Value(i)) << i;
}

TEST_F(OutputWindowTest, HistoryReachesBackFullDistanceAcrossAFlush) {
  Begin(0, 0, false);
  Put(kWindowBytes);
  // Before the byte that triggers the flush, 8192 back is still there...
  EXPECT_EQ(ByteBehind(w_.get(), 8192), Value(produced_ - 8192));
  Put(1);
  // ...and after it too.
  EXPECT_EQ(ByteBehind(w_.get(), 8192), Value(produced_ - 8192));
  EXPECT_EQ(ByteBehind(w_.get(), 1), Value(produced_ - 1));
}

TEST_F(OutputWindowTest, PresetIsHistoryButNeverWritten) {
  Begin(100, 40, false);
  EXPECT_EQ(ByteBehind(w_.get(), 100), preset_[0]);
  Put(10);
  ASSERT_TRUE(FlushRest(w_.get()));
  EXPECT_EQ(FileSize(), 10);
  // Body byte j is byte K + j of the file in its slot.
  EXPECT_EQ(slot_->data[40], Value(0));
  EXPECT_EQ(slot_->data[49], Value(9));
}

TEST_F(OutputWindowTest, SkippedFileWritesNothingButFillsItsSlot) {
  Begin(0, 0, true);
  Put(100000);
  ASSERT_TRUE(FlushRest(w_.get()));
  EXPECT_EQ(FileSize(), 0);
  for (int i = 0; i < kSlotBytes; i++) ASSERT_EQ(slot_->data[i], Value(i));
}

TEST_F(OutputWindowTest, SlotHasTheBytesOfASmallSkippedFileOnceFed) {
  // No flush comes: the slot has the bytes only from the feed at the end
  // of the body, and a second feed changes nothing.
  Begin(0, 0, true);
  Put(100);
  EXPECT_NE(slot_->data[99], Value(99));
  FeedSlot(w_.get());
  FeedSlot(w_.get());
  for (int i = 0; i < 100; i++) ASSERT_EQ(slot_->data[i], Value(i));
  EXPECT_EQ(FileSize(), 0);
}

TEST_F(OutputWindowTest, MidSizedFileIsWrittenInOnePieceAtTheEnd) {
  Begin(0, 0, false);
  Put(30000);
  EXPECT_EQ(FileSize(), 0);
  ASSERT_TRUE(FlushRest(w_.get()));
  EXPECT_EQ(FileSize(), 30000);
  EXPECT_EQ(slot_->data[16383], Value(16383));
}
