// The payload: header, then the block stream of the items.
#include "writer/payload_writer.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <memory>
#include <unordered_set>

#include "payload/format.h"
#include "payload/password.h"
#include "platform/host_files.h"
#include "writer/archive_names.h"
#include "writer/block_writer.h"
#include "writer/file_encoder.h"
#include "writer/item_stream_writer.h"
#include "writer/ordered_file_coder.h"

static std::string Quoted(const std::string& s) { return "'" + s + "'"; }

static std::string EntryLabel(const ArchiveEntry& e) {
  return Quoted(e.hostPath.empty() ? e.name : e.hostPath);
}

bool CheckArchiveOptions(const ArchiveOptions& o, std::string* error) {
  if (o.description.find('\0') != std::string::npos) {
    *error = "the description contains a zero byte";
    return false;
  }
  if (o.runCommand.find('\0') != std::string::npos) {
    *error = "the run command contains a zero byte";
    return false;
  }
  // Longer texts would be cut by the stub, and a cut command never opened.
  if (o.description.size() > (size_t)kDescriptionHeld) {
    *error = "the description is longer than the " + std::to_string(kDescriptionHeld) +
             " bytes the stub shows";
    return false;
  }
  if (o.runCommand.size() > (size_t)kRunCommandOpened) {
    *error = "the run command is longer than the " + std::to_string(kRunCommandOpened) +
             " bytes the stub can open";
    return false;
  }
  if (o.password.find('\0') != std::string::npos) {
    *error = "the password contains a zero byte";
    return false;
  }
  if (!o.password.empty() && o.protectionFlags == 0) {
    *error = "a password needs non-zero protection flags";
    return false;
  }
  if (o.level < kFastestLevel || o.level > kStrongestLevel) {
    *error = "the compression level must be 1, 2 or 3";
    return false;
  }
  if (o.threads < 0) {
    *error = "the number of threads cannot be negative";
    return false;
  }
  return true;
}

static bool CheckEntries(const std::vector<ArchiveEntry>& entries,
                         std::string* error) {
  std::unordered_set<std::string> seen;
  for (const ArchiveEntry& e : entries) {
    std::string why;
    if (!CheckItemName(e.name, e.isFolder, &why)) {
      *error = "the item name " + Quoted(e.name) + " " + why;
      return false;
    }
    if (!seen.insert(e.name).second) {
      *error = "the item name " + Quoted(e.name) + " is given twice";
      return false;
    }
    if (!e.isFolder && e.hostPath.empty() && (int64_t)e.data.size() > kMaxFileSize) {
      *error = EntryLabel(e) + " is 2 GiB or larger";
      return false;
    }
  }
  return true;
}

// The contents of a file entry, read in order: from memory, or from the
// host file, at most as many bytes as it had when it was opened (the
// record gives the length before the contents). What changes meanwhile
// is stored as read and told as a warning; bytes missing at the end once
// the record is out are stored as zero bytes, as tar does.
class EntryInput : public BodySource {
 public:
  EntryInput() = default;
  EntryInput(const EntryInput&) = delete;
  EntryInput& operator=(const EntryInput&) = delete;
  ~EntryInput() override {
    if (file_) fclose(file_);
  }

  bool Open(const ArchiveEntry& e, std::string* error) {
    label_ = EntryLabel(e);
    if (e.hostPath.empty()) {
      inMemory_ = true;
      memory_ = e.data.data();
      size_ = (int32_t)e.data.size();
      return true;
    }
    // Without waiting: something else put in the file's place meanwhile
    // (a pipe) could otherwise keep the open from returning. Reading a
    // plain file is the same with the flag or without it.
    int fd = HostOpenForReading(e.hostPath);
    if (fd < 0 || !HostInfoOfFile(fd, &opened_)) {
      *error = "cannot open " + label_ + ": " + strerror(errno);
      if (fd >= 0) HostClose(fd);
      return false;
    }
    // Only a plain file says its length before it is read.
    if (opened_.kind != HostKind::kFile) {
      *error = label_ + " is no longer a plain file";
      HostClose(fd);
      return false;
    }
    file_ = fdopen(fd, "rb");
    if (!file_) {
      *error = "cannot open " + label_ + ": " + strerror(errno);
      HostClose(fd);
      return false;
    }
    if (opened_.size > kMaxFileSize) {
      *error = label_ + " is 2 GiB or larger";
      return false;
    }
    size_ = (int32_t)opened_.size;
    return true;
  }

  int32_t size() const { return size_; }
  int32_t consumed() const { return read_; }
  const std::string& error() const { return error_; }

  // Up to n bytes into `into`, fewer only where the file ended early;
  // false when it cannot be read.
  bool ReadSome(uint8_t* into, size_t n, size_t* got) {
    *got = 0;
    if (n > (size_t)(size_ - read_)) {
      error_ = "reading " + label_ + " past its end";
      return false;
    }
    if (inMemory_) {
      if (n > 0) memcpy(into, memory_ + read_, n);
      *got = n;
    } else if (n > 0) {
      *got = fread(into, 1, n, file_);
      if (*got < n && ferror(file_)) {
        error_ = "cannot read " + label_ + ": " + strerror(errno);
        return false;
      }
    }
    read_ += (int32_t)n;
    return true;
  }

  // Exactly n bytes: those the file no longer has are zero bytes.
  bool Read(uint8_t* into, size_t n) override {
    size_t got;
    if (!ReadSome(into, n, &got)) return false;
    memset(into + got, 0, n - got);
    zeroFilled_ += (int32_t)(n - got);
    return true;
  }

  // What changed since the file was opened, as a warning that says what
  // was stored; empty when nothing did. `stored`: the length stored.
  std::string Changes(int32_t stored) const {
    if (inMemory_) return "";
    if (zeroFilled_ > 0)
      return label_ + " became shorter while it was read; its last " +
             std::to_string(zeroFilled_) + " bytes are stored as zero bytes";
    if (stored < size_)
      return label_ + " became shorter while it was read; stored as read, " +
             std::to_string(stored) + " bytes";
    HostFileInfo now;
    if (!HostInfoOfFile(fileno(file_), &now)) return "";
    if (now.size > opened_.size)
      return label_ + " grew while it was read; stored as it was, " + std::to_string(stored) +
             " bytes";
    if (now.size != opened_.size || now.write != opened_.write || now.change != opened_.change)
      return label_ + " changed while it was read; stored as read";
    return "";
  }

 private:
  std::string label_;
  bool inMemory_ = false;
  const uint8_t* memory_ = nullptr;
  FILE* file_ = nullptr;
  HostFileInfo opened_;
  int32_t size_ = 0;
  int32_t read_ = 0;
  int32_t zeroFilled_ = 0;
  std::string error_;
};

static void PutHeaderString(ByteSink* sink, const std::string& s) {
  sink->Write((const uint8_t*)s.data(), s.size());
  uint8_t zero = 0;
  sink->Write(&zero, 1);
}

static void PutHeader(const ArchiveOptions& o, ByteSink* sink) {
  uint8_t size[kExpectedSizeBytes] = {0, 0, 0, 0};
  sink->Write(size, sizeof size);
  PutHeaderString(sink, o.description);
  PutHeaderString(sink, o.runCommand);
  uint8_t flags = o.password.empty() ? 0 : o.protectionFlags;
  sink->Write(&flags, 1);
  if (flags) {
    // The check value is stored with each byte XORed with the flags.
    uint16_t check = PasswordCheckValue((const uint8_t*)o.password.data(),
                                        (int)o.password.size());
    uint16_t stored = (uint16_t)(check ^ (flags * 257u));
    uint8_t word[2] = {(uint8_t)stored, (uint8_t)(stored >> 8)};
    sink->Write(word, 2);
  }
}

// The sink's failure as the run's error, once it has failed.
static bool SinkFailed(const ByteSink* sink, std::string* error) {
  if (!sink->failed()) return false;
  *error = sink->failure();
  return true;
}

static FileRecord RecordOf(const ArchiveEntry& e, const EncodedFile& coded) {
  FileRecord record;
  record.creationTime = e.creationTime;
  record.accessTime = e.accessTime;
  record.writeTime = e.writeTime;
  record.size = coded.size;
  record.distance = coded.distance;
  record.shared = coded.shared;
  return record;
}

bool WritePayload(const std::vector<ArchiveEntry>& entries,
                  const ArchiveOptions& options, ByteSink* sink,
                  WriterStats* stats, std::string* error,
                  const PayloadTuning& tuning, const WriteEvents* events) {
  if (!CheckArchiveOptions(options, error) || !CheckEntries(entries, error)) return false;
  WriterStats local;
  uint64_t start = sink->written();
  PutHeader(options, sink);
  BlockWriter blocks(sink, options.password);
  ItemStreamWriter items(&blocks);
  auto deliver = [&](size_t index, const EncodedFile* coded) {
    const ArchiveEntry& e = entries[index];
    if (!coded) {
      items.PutFolder(e.name);
      local.folders++;
      return;
    }
    items.PutFile(e.name, RecordOf(e, *coded), coded->body);
    local.files++;
    local.inputBytes += (uint64_t)coded->size;
  };
  int threads = options.threads > 0 ? options.threads : OrderedFileCoder::DefaultThreads();
  LevelSettings settings = SettingsForLevel(options.level);
  OrderedFileCoder coder(settings, threads, deliver);
  // Files too large to hold are coded here, made when the first comes.
  std::unique_ptr<FileEncoder> streamer;
  // Reading and planning go in input order on this thread; the ring they
  // consult holds input bytes only, so no plan waits for a coded body.
  ReferenceChooser chooser(settings.choice);
  int filesRead = 0;
  uint64_t bytesRead = 0;
  auto tell = [&](int32_t ofFileInHand) {
    if (events && events->progress) events->progress(filesRead, bytesRead + ofFileInHand);
  };
  auto finishFile = [&](const EntryInput& input, int32_t stored) {
    filesRead++;
    bytesRead += (uint64_t)stored;
    tell(0);
    std::string change = input.Changes(stored);
    if (!change.empty() && events && events->changed) events->changed(change);
  };
  for (size_t i = 0; i < entries.size(); i++) {
    if (SinkFailed(sink, error)) return false;
    const ArchiveEntry& e = entries[i];
    if (e.isFolder) {
      coder.Add(i, nullptr);
      continue;
    }
    EntryInput input;
    if (!input.Open(e, error)) return false;
    int32_t size = input.size();
    if (size <= tuning.wholeFileLimit) {
      std::vector<uint8_t> data((size_t)size);
      size_t got;
      if (!input.ReadSome(data.data(), data.size(), &got)) {
        *error = input.error();
        return false;
      }
      data.resize(got);
      finishFile(input, (int32_t)got);
      std::unique_ptr<FileJob> job(new FileJob);
      PlanFile(&chooser, std::move(data), job.get());
      coder.Add(i, std::move(job));
      continue;
    }
    // A large file: neither its bytes nor its body are held whole. It is
    // coded in its place once everything before it is written, and its
    // body goes out a segment at a time.
    coder.Finish();
    if (SinkFailed(sink, error)) return false;
    std::vector<uint8_t> first((size_t)std::min(size, kPlannedBytes));
    if (!input.Read(first.data(), first.size())) {
      *error = input.error();
      return false;
    }
    FileJob job;
    PlanFileStart(&chooser, std::move(first), size, &job);
    if (!streamer) streamer.reset(new FileEncoder(settings, tuning.segmentBytes));
    EncodedFile chosen;
    const FileJob::Option& option = streamer->Choose(job, &chosen);
    items.BeginFile(e.name, RecordOf(e, chosen));
    std::vector<uint8_t> body;
    auto writeBody = [&] {
      items.PutBody(body.data(), body.size());
      body.clear();
      tell(input.consumed());
      return !sink->failed();
    };
    bool coded = streamer->EncodeRest(job, option, &input, &body, writeBody);
    writeBody();
    if (SinkFailed(sink, error)) return false;
    if (!coded) {
      *error = input.error();
      return false;
    }
    finishFile(input, size);
    local.files++;
    local.inputBytes += (uint64_t)size;
  }
  coder.Finish();
  // The extractor reads items until the stream ends, so the stream needs
  // one at least; the destination folder itself is the harmless one.
  if (entries.empty()) {
    items.PutFolder(".");
    local.folders++;
  }
  blocks.Finish();
  if (SinkFailed(sink, error)) return false;
  local.payloadBytes = sink->written() - start;
  if (stats) *stats = local;
  return true;
}
