// The sink that corvane's reading commands hand the engine, in front of
// the real one: only the selected items pass, and a file that would land
// where something exists is decided about (overwrite, skip, rename or
// cancel) before the output underneath sees it.
#ifndef CORVANE_CLI_SELECTED_OUTPUT_H
#define CORVANE_CLI_SELECTED_OUTPUT_H

#include <functional>
#include <string>

#include "cli/member_selection.h"
#include "engine/extraction.h"

enum class ExistingAnswer { kOverwrite, kSkip, kRename, kCancel };

class SelectedOutput {
 public:
  // selection null: every item. root null: nothing on disk to decide
  // about. A signal noted meanwhile ends the run as a Cancel does.
  SelectedOutput(const OutputSink& inner, MemberSelection* selection, OsRoot* root,
                 std::function<ExistingAnswer(const Extraction&)> onExisting);

  OutputSink sink();

  // Called when a file is written under a free name beside its own.
  std::function<void(const Extraction&)> onRenamed;
  // Called when an item, chosen or not, is through without a failure: for
  // a file after its last byte, when the bit reader has handed its unused
  // bytes back, so that the stream position is where the item ends.
  std::function<void(const Extraction&)> onItemEnd;

 private:
  static ExtractResult Folder(void* self, Extraction* x);
  static ExtractResult BeginFile(void* self, Extraction* x);
  static bool Write(void* self, const uint8_t* bytes, int32_t n);
  static ExtractResult EndFile(void* self, Extraction* x);
  static void Abandon(void* self, Extraction* x);

  bool Selected(const Extraction& x);
  ExtractResult Ended(const Extraction& x, ExtractResult result);

  OutputSink inner_;
  MemberSelection* selection_;
  OsRoot* root_;
  std::function<ExistingAnswer(const Extraction&)> onExisting_;
  bool passed_ = false;  // the file in hand went to the inner sink
};

// The stored name of the item in hand as members are matched against it:
// UTF-8 with '/' and no trailing '/'; a byte without a UTF-8 form is
// matched in its display form (\xNN).
std::string StoredNameForMatching(const Extraction& x);

// Whether a selection (null: none) takes the item in hand. Without members
// or excludes no name is formed: every item is taken.
bool SelectionTakes(MemberSelection* selection, const Extraction& x);

// Turns the full path of a file into the first free "NAME (N).EXT" beside
// it; false when there is none within reach.
bool FreeNameBeside(OsRoot* root, Extraction* x);

#endif
