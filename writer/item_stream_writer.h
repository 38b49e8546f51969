// Item records into the block stream: folder entries (a name ending in
// "\.", or "." for the destination itself) and file entries (name, three
// FILETIMEs, size, reference distance, K, coded body).
//
// Names reuse the previous item's name: a lead "*" and a count N stand for
// its first N + 2 bytes, used whenever at least 2 bytes are shared (at
// most 257 can be).
#ifndef CORVANE_WRITER_ITEM_STREAM_WRITER_H
#define CORVANE_WRITER_ITEM_STREAM_WRITER_H

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "writer/block_writer.h"

struct FileRecord {
  FileTime creationTime = 0, accessTime = 0, writeTime = 0;
  int32_t size = 0;
  int distance = 0;     // 0 to 255
  int32_t shared = 0;   // K, written only when distance is not 0
};

class ItemStreamWriter {
 public:
  explicit ItemStreamWriter(BlockWriter* blocks) : blocks_(blocks) {}

  // A folder by its name without "\." ("." is the destination folder).
  void PutFolder(const std::string& name);

  void PutFile(const std::string& name, const FileRecord& record,
               const std::vector<uint8_t>& body);

  // The same in pieces, for a body written as it is made: the record up
  // to the body, then the body's bytes in order, in any number of calls.
  void BeginFile(const std::string& name, const FileRecord& record);
  void PutBody(const uint8_t* bytes, size_t n) { blocks_->Put(bytes, n); }

 private:
  void PutName(const std::string& name);
  void PutLittleEndian(uint64_t v, int bytes);

  BlockWriter* blocks_;
  std::string previous_;
};

#endif
