// The output sink of test and list: nothing is written, but every item's
// name is made, in memory, as extract would make it below an empty
// destination (an item that is there already, an earlier one of the same
// name, skipped), so that a name extract cannot make (one the host cannot
// hold, one with an empty level, one below a file of the same archive)
// ends test and list at the same item with the same result.
//
// It follows what the platform layer does on this host (MapArchivePath,
// the walk below the root, the answers of the probe and of making a
// folder or a file) and walks each folder chain as paths/folder_chain.cpp
// does; the tests hold the two against a real extraction.
#ifndef CORVANE_CLI_NAME_CHECK_H
#define CORVANE_CLI_NAME_CHECK_H

#include <string>
#include <unordered_map>
#include <vector>

#include "engine/output_sink.h"
#include "platform/platform.h"

// Whether the last character of an archive path, found by the character
// step, is a separator ('\\' or '/').
bool EndsWithSeparator(const std::string& archivePath);

class NameCheck {
 public:
  // The sink; its context is this object.
  OutputSink Sink();

  // What the probe of extract would find at an archive path now.
  EntryKind Probe(const std::string& archivePath) const;

  // The errno extract would meet at the failure that ended the run.
  int error() const { return error_; }

 private:
  static ExtractResult Folder(void* self, Extraction* x);
  static ExtractResult BeginFile(void* self, Extraction* x);

  // The host form of an archive path: its components without "." and
  // empty ones, joined by '/', and whether a separator ends it; false
  // with error_ set when it cannot be made on the host.
  bool HostKey(const std::string& archivePath, std::string* key, bool* trailing) const;
  // Every folder above key is one; else error_ as the walk would meet it.
  bool ParentsAreFolders(const std::string& key) const;
  bool MakeFolder(const std::string& archivePath);
  bool MakeFile(const std::string& archivePath);
  // The length of the prefix at which the chain fails, or 0.
  int Chain(const std::string& folderPath);
  ExtractResult ChainOf(Extraction* x, int length);

  std::unordered_map<std::string, EntryKind> made_;  // by host key
  // The host key of a folder whose parents are all folders, checked last.
  mutable std::string foldersUpTo_;
  std::string walked_;  // the folder path of the last chain that held
  mutable int error_ = 0;
  mutable std::vector<char> host_;  // the mapped path in hand
};

#endif
