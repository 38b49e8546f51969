// Item records into the block stream.
#include "writer/item_stream_writer.h"

#include <algorithm>

static const size_t kMinReuse = 2;
static const size_t kMaxReuse = 257;

void ItemStreamWriter::PutName(const std::string& name) {
  size_t common = 0;
  size_t limit = std::min(name.size(), previous_.size());
  while (common < limit && name[common] == previous_[common]) common++;
  size_t from = 0;
  if (common >= kMinReuse) {
    from = std::min(common, kMaxReuse);
    blocks_->Put('*');
    blocks_->Put((uint8_t)(from - kMinReuse));
  }
  blocks_->Put((const uint8_t*)name.data() + from, name.size() - from);
  blocks_->Put(0);
  previous_ = name;
}

void ItemStreamWriter::PutLittleEndian(uint64_t v, int bytes) {
  for (int i = 0; i < bytes; i++) blocks_->Put((uint8_t)(v >> (8 * i)));
}

void ItemStreamWriter::PutFolder(const std::string& name) {
  PutName(name == "." ? name : name + "\\.");
}

void ItemStreamWriter::PutFile(const std::string& name, const FileRecord& record,
                               const std::vector<uint8_t>& body) {
  BeginFile(name, record);
  PutBody(body.data(), body.size());
}

void ItemStreamWriter::BeginFile(const std::string& name, const FileRecord& record) {
  PutName(name);
  PutLittleEndian(record.creationTime, 8);
  PutLittleEndian(record.accessTime, 8);
  PutLittleEndian(record.writeTime, 8);
  PutLittleEndian((uint32_t)record.size, 4);
  blocks_->Put((uint8_t)record.distance);
  if (record.distance) PutLittleEndian((uint16_t)record.shared, 2);
}
