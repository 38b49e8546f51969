// corvane create: options checked, inputs collected, the archive written.
#include <stdio.h>

#include <fstream>
#include <iterator>

#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "cli/default_stub.h"
#include "platform/text_encoding.h"
#include "payload/payload_layout.h"
#include "writer/archive_writer.h"

namespace {

bool ReadWholeFile(const std::string& path, std::string* bytes) {
  std::ifstream f(path, std::ios::binary);
  if (!f) return false;
  bytes->assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  return true;
}

// Header texts are typed in UTF-8 and stored in Shift-JIS.
bool HeaderText(const std::string& what, const std::string& utf8, std::string* sjis) {
  if (Utf8ToSjis(utf8, sjis)) return true;
  fprintf(stderr, "corvane: the %s has characters that Shift-JIS cannot hold\n", what.c_str());
  return false;
}

}  // namespace

int CreateCommand(const CreateOptions& o) {
  ArchiveOptions options;
  options.level = o.level;
  options.threads = o.threads;
  std::string description = o.description;
  if (!description.empty() && description[0] == '@' &&
      !ReadWholeFile(description.substr(1), &description)) {
    fprintf(stderr, "corvane: %s: cannot read the description file\n",
            o.description.substr(1).c_str());
    return kExitInputFailed;
  }
  if (!HeaderText("description", description, &options.description) ||
      !HeaderText("run command", o.runCommand, &options.runCommand))
    return kExitUsage;
  if (!o.passwordFile.empty()) {
    if (!ReadPasswordFile(o.passwordFile, &options.password)) return kExitUsage;
    if (options.password.empty()) {
      fprintf(stderr, "corvane: %s: the password is empty\n", o.passwordFile.c_str());
      return kExitUsage;
    }
    options.protectionFlags = o.maskPassword ? 1 : 2;
  } else if (o.maskPassword) {
    fprintf(stderr, "corvane: --mask-password needs --password-file\n");
    return kExitUsage;
  }
  std::string error;
  if (!CheckArchiveOptions(options, &error)) {
    fprintf(stderr, "corvane: %s\n", error.c_str());
    return kExitUsage;
  }

  std::vector<uint8_t> stub;
  if (o.stubFile.empty()) {
    stub = DefaultStub();
  } else {
    std::string bytes;
    if (!ReadWholeFile(o.stubFile, &bytes) || bytes.size() != (size_t)kStubSize) {
      fprintf(stderr, "corvane: %s: not a stub of %d bytes\n", o.stubFile.c_str(), kStubSize);
      return kExitInputFailed;
    }
    stub.assign(bytes.begin(), bytes.end());
  }

  std::vector<ArchiveEntry> entries;
  std::vector<std::string> warnings;
  if (!CollectEntries(o.inputs, &entries, &error, &warnings)) {
    fprintf(stderr, "corvane: %s\n", error.c_str());
    return kExitInputFailed;
  }
  for (const std::string& w : warnings) fprintf(stderr, "corvane: warning: %s\n", w.c_str());
  WriterStats stats;
  if (!WriteArchive(stub, entries, options, o.output, &stats, &error)) {
    fprintf(stderr, "corvane: %s\n", error.c_str());
    return kExitWriteFailed;
  }
  printf("%s: %d files, %d folders, %llu bytes in, %llu bytes of payload\n", o.output.c_str(),
         stats.files, stats.folders, (unsigned long long)stats.inputBytes,
         (unsigned long long)stats.payloadBytes);
  return kExitSuccess;
}
