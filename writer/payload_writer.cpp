// The payload: header, then the block stream of the items.
#include "writer/payload_writer.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>
#include <unordered_set>

#include "payload/format.h"
#include "payload/password.h"
#include "writer/archive_names.h"
#include "writer/block_writer.h"
#include "writer/file_encoder.h"
#include "writer/item_stream_writer.h"
#include "writer/ordered_file_coder.h"

static const int64_t kMaxFileSize = INT32_MAX;

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

// The contents of a file entry, whole: the coder needs the file's bytes
// around every position. Read straight into the vector, sized from the
// file's length when it is known, with room for the coder's padding.
static bool ReadEntryData(const ArchiveEntry& e, std::vector<uint8_t>* data,
                          std::string* error) {
  if (e.hostPath.empty()) {
    data->reserve(e.data.size() + kFinderPadding);
    data->assign(e.data.begin(), e.data.end());
    return true;
  }
  FILE* f = fopen(e.hostPath.c_str(), "rb");
  if (!f) {
    *error = "cannot open " + EntryLabel(e) + ": " + strerror(errno);
    return false;
  }
  struct stat st;
  size_t expected = 0;
  if (fstat(fileno(f), &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= kMaxFileSize)
    expected = (size_t)st.st_size;
  data->clear();
  data->reserve(expected + kFinderPadding);
  bool ok = true;
  for (;;) {
    // One more byte than expected, so that the end is seen in one read.
    size_t have = data->size();
    size_t room = std::max<size_t>(expected + 1 - std::min(expected, have), 65536);
    data->resize(have + room);
    size_t got = fread(data->data() + have, 1, room, f);
    data->resize(have + got);
    if ((int64_t)data->size() > kMaxFileSize) {
      *error = EntryLabel(e) + " is 2 GiB or larger";
      ok = false;
      break;
    }
    if (got < room) {
      if (ferror(f)) {
        *error = "cannot read " + EntryLabel(e) + ": " + strerror(errno);
        ok = false;
      }
      break;
    }
  }
  fclose(f);
  return ok;
}

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

bool WritePayload(const std::vector<ArchiveEntry>& entries,
                  const ArchiveOptions& options, ByteSink* sink,
                  WriterStats* stats, std::string* error) {
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
    FileRecord record;
    record.creationTime = e.creationTime;
    record.accessTime = e.accessTime;
    record.writeTime = e.writeTime;
    record.size = coded->size;
    record.distance = coded->distance;
    record.shared = coded->shared;
    items.PutFile(e.name, record, coded->body);
    local.files++;
    local.inputBytes += (uint64_t)coded->size;
  };
  int threads = options.threads > 0 ? options.threads : OrderedFileCoder::DefaultThreads();
  LevelSettings settings = SettingsForLevel(options.level);
  OrderedFileCoder coder(settings, threads, deliver);
  // Reading and planning go in input order on this thread; the ring they
  // consult holds input bytes only, so no plan waits for a coded body.
  ReferenceChooser chooser(settings.choice);
  std::vector<uint8_t> data;
  for (size_t i = 0; i < entries.size(); i++) {
    const ArchiveEntry& e = entries[i];
    if (e.isFolder) {
      coder.Add(i, nullptr);
      continue;
    }
    if (!ReadEntryData(e, &data, error)) return false;
    std::unique_ptr<FileJob> job(new FileJob);
    PlanFile(&chooser, std::move(data), job.get());
    coder.Add(i, std::move(job));
  }
  coder.Finish();
  // The extractor reads items until the stream ends, so the stream needs
  // one at least; the destination folder itself is the harmless one.
  if (entries.empty()) {
    items.PutFolder(".");
    local.folders++;
  }
  blocks.Finish();
  local.payloadBytes = sink->written() - start;
  if (stats) *stats = local;
  return true;
}
