// corvane create: options checked, inputs collected, the archive written.
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>

#include "cli/commands.h"
#include "cli/create_feedback.h"
#include "cli/exit_codes.h"
#include "cli/default_stub.h"
#include "cli/read_input.h"
#include "platform/host_files.h"
#include "platform/text_encoding.h"
#include "payload/payload_layout.h"
#include "engine/archive.h"
#include "writer/archive_writer.h"
#include "platform/console.h"
#include "writer/stub_icon.h"

namespace {

// The most that is read of an icon or a description file: far more than
// either can use (a picture is at most 2048 pixels square, a description
// 65535 bytes), and a bound for a file that never ends.
const size_t kIconFileLimit = 64u << 20;
const size_t kDescriptionFileLimit = 1u << 20;

// Header texts are typed in UTF-8 and stored in Shift-JIS.
bool HeaderText(const std::string& archive, const std::string& what, const std::string& utf8,
                std::string* sjis) {
  if (Utf8ToSjis(utf8, sjis)) return true;
  ConsolePrintf(stderr, "corvane: %s: the %s has characters that Shift-JIS cannot hold\n",
                archive.c_str(), what.c_str());
  return false;
}

// Whether the file at path is an archive of ours: the stub's length and a
// header that holds.
bool IsOurArchive(const std::string& path) {
  auto a = std::make_unique<Archive>();
  char text[1];
  a->header.description = text;
  a->header.descriptionCap = 0;
  a->header.runCommand = text;
  a->header.runCommandCap = 0;
  bool ours = OpenArchive(a.get(), path.c_str()) == kHeaderRead;
  CloseArchive(a.get());
  return ours;
}

// The output may replace only an archive of ours, unless forced, and is
// never taken as an input (its identity goes to the collection). Returns
// an exit code.
int CheckOutput(const CreateOptions& o, CollectOptions* collect) {
  HostFileInfo st;
  if (!HostInfoOfPath(o.output, true, &st)) return kExitSuccess;
  if (st.kind == HostKind::kFolder) {
    ConsolePrintf(stderr, "corvane: %s: is a folder\n", o.output.c_str());
    return kExitUsage;
  }
  if (!o.force && !IsOurArchive(o.output)) {
    ConsolePrintf(stderr, "corvane: %s: exists and is not an archive; give --force to replace it\n",
                  o.output.c_str());
    return kExitUsage;
  }
  collect->hasOutputId = true;
  collect->outputDevice = st.device;
  collect->outputInode = st.id;
  return kExitSuccess;
}

// The paths of --files-from: one a line, "-" for standard input; empty
// lines are passed over.
bool ReadPathList(const std::string& from, std::vector<std::string>* paths) {
  std::string text;
  if (!ReadWholeInput(from, &text)) return false;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) paths->push_back(line);
    at = end + 1;
  }
  return true;
}

// Each relative path below the -C folder given before it (the paths of -T,
// which come last, below the last one).
void Relocate(const std::vector<std::pair<size_t, std::string>>& directories,
              std::vector<std::string>* paths) {
  size_t next = 0;
  std::string dir;
  for (size_t i = 0; i < paths->size(); i++) {
    while (next < directories.size() && directories[next].first <= i) dir = directories[next++].second;
    std::string& p = (*paths)[i];
    if (!dir.empty() && !p.empty() && !std::filesystem::u8path(p).is_absolute()) p = dir + "/" + p;
  }
}

// SOURCE_DATE_EPOCH, when set: whole seconds since 1970.
bool SourceDateEpoch(int64_t* seconds) {
  *seconds = -1;
  const char* v = getenv("SOURCE_DATE_EPOCH");
  if (!v || !*v) return true;
  char* end;
  long long n = strtoll(v, &end, 10);
  if (*end || n < 0) return false;
  *seconds = n;
  return true;
}

// Puts the picture of --icon into the stub in place of its own icon.
// Returns an exit code.
int PutIcon(const CreateOptions& o, std::vector<uint8_t>* stub) {
  std::string bytes, error;
  if (!ReadWholeInput(o.iconFile, &bytes, kIconFileLimit)) {
    ConsolePrintf(stderr, "corvane: %s: cannot read the icon: %s\n", o.iconFile.c_str(),
                  strerror(errno));
    return kExitInputFailed;
  }
  std::vector<RgbaImage> pictures;
  if (!DecodeIconPictures(std::vector<uint8_t>(bytes.begin(), bytes.end()), &pictures, &error)) {
    ConsolePrintf(stderr, "corvane: %s: %s\n", o.iconFile.c_str(), error.c_str());
    return kExitInputFailed;
  }
  if (!ReplaceStubIcon(pictures, stub, &error)) {
    ConsolePrintf(stderr, "corvane: %s: %s; the icon '%s' cannot be put in it\n",
                  o.stubFile.empty() ? "the built-in stub" : o.stubFile.c_str(), error.c_str(),
                  o.iconFile.c_str());
    return kExitInputFailed;
  }
  return kExitSuccess;
}

}  // namespace

int CreateCommand(const CreateOptions& o) {
  if (o.passwordFile == "-" && o.filesFrom == "-") {
    ConsolePrintf(stderr,
                  "corvane: %s: the password and the paths cannot both come from standard input\n",
                  o.output.c_str());
    return kExitUsage;
  }
  if (o.iconFile == "-" && (o.passwordFile == "-" || o.filesFrom == "-")) {
    ConsolePrintf(stderr, "corvane: %s: the icon cannot come from standard input with the %s\n",
                  o.output.c_str(), o.passwordFile == "-" ? "password" : "paths");
    return kExitUsage;
  }
  ArchiveOptions options;
  options.level = o.level;
  options.threads = o.threads;
  std::string description = o.description;
  if (!description.empty() && description[0] == '@' &&
      !ReadWholeInput(description.substr(1), &description, kDescriptionFileLimit)) {
    ConsolePrintf(stderr, "corvane: %s: cannot read the description file '%s': %s\n",
                  o.output.c_str(), o.description.substr(1).c_str(), strerror(errno));
    return kExitInputFailed;
  }
  if (!HeaderText(o.output, "description", description, &options.description) ||
      !HeaderText(o.output, "run command", o.runCommand, &options.runCommand))
    return kExitUsage;
  if (!o.passwordFile.empty()) {
    if (!ReadPasswordFile(o.passwordFile, o.output, &options.password)) return kExitInputFailed;
    if (options.password.empty()) {
      ConsolePrintf(
          stderr, "corvane: %s: the password from %s is empty\n", o.output.c_str(),
          o.passwordFile == "-" ? "standard input" : ("'" + o.passwordFile + "'").c_str());
      return kExitUsage;
    }
    options.protectionFlags = o.maskPassword ? 1 : 2;
  } else if (o.maskPassword) {
    ConsolePrintf(stderr, "corvane: --mask-password needs --password-file\n");
    return kExitUsage;
  }
  std::string error;
  if (!CheckArchiveOptions(options, &error)) {
    ConsolePrintf(stderr, "corvane: %s\n", error.c_str());
    return kExitUsage;
  }

  std::vector<uint8_t> stub;
  if (o.stubFile.empty()) {
    stub = DefaultStub();
  } else {
    std::string bytes;
    if (!ReadWholeInput(o.stubFile, &bytes, kStubSize) || bytes.size() != (size_t)kStubSize) {
      ConsolePrintf(stderr, "corvane: %s: not a stub of %d bytes\n", o.stubFile.c_str(), kStubSize);
      return kExitInputFailed;
    }
    stub.assign(bytes.begin(), bytes.end());
  }
  if (!o.iconFile.empty()) {
    int code = PutIcon(o, &stub);
    if (code != kExitSuccess) return code;
  }

  CollectOptions collect;
  collect.strict = o.strict;
  collect.followLinks = o.followLinks;
  collect.excludes = o.excludes;
  if (!SourceDateEpoch(&collect.sourceDateEpoch)) {
    ConsolePrintf(stderr, "corvane: SOURCE_DATE_EPOCH must be whole seconds since 1970\n");
    return kExitUsage;
  }
  int code = CheckOutput(o, &collect);
  if (code != kExitSuccess) return code;
  std::vector<std::string> inputs = o.inputs;
  if (!o.filesFrom.empty() && !ReadPathList(o.filesFrom, &inputs)) {
    ConsolePrintf(stderr, "corvane: %s: cannot read the list of paths '%s': %s\n", o.output.c_str(),
                  o.filesFrom == "-" ? "standard input" : o.filesFrom.c_str(), strerror(errno));
    return kExitInputFailed;
  }
  Relocate(o.directories, &inputs);

  std::vector<ArchiveEntry> entries;
  CollectReport report;
  if (!CollectEntries(inputs, collect, &entries, &report, &error)) {
    ConsolePrintf(stderr, "corvane: %s\n", error.c_str());
    return report.metOutput ? kExitUsage : kExitInputFailed;
  }
  for (const std::string& w : report.warnings)
    ConsolePrintf(stderr, "corvane: warning: %s\n", w.c_str());
  for (const std::string& why : report.leftOut)
    ConsolePrintf(stderr, "corvane: left out: %s\n", why.c_str());
  if (entries.empty() && !report.leftOut.empty()) {
    ConsolePrintf(stderr, "corvane: %s: nothing left to store; nothing written\n",
                  o.output.c_str());
    return kExitInputFailed;
  }
  WriterStats stats;
  CreateFeedback feedback(entries, !o.quiet);
  bool written = WriteArchive(stub, entries, options, o.output, &stats, &error, kExitCancelled,
                              &feedback.events());
  feedback.Clear();
  if (!written) {
    ConsolePrintf(stderr, "corvane: %s\n", error.c_str());
    return kExitWriteFailed;
  }
  if (!o.quiet)
    ConsolePrintf(stdout, "%s: %d files, %d folders, %llu bytes in, %llu bytes of payload\n",
                  o.output.c_str(), stats.files, stats.folders,
                  (unsigned long long)stats.inputBytes, (unsigned long long)stats.payloadBytes);
  if (!report.leftOut.empty()) {
    ConsolePrintf(stderr, "corvane: %s: written without %zu input%s left out above\n",
                  o.output.c_str(), report.leftOut.size(), report.leftOut.size() == 1 ? "" : "s");
    return kExitInputsLeftOut;
  }
  return feedback.changedFiles() > 0 ? kExitInputsChanged : kExitSuccess;
}
