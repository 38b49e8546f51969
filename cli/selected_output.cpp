// The selecting and deciding sink in front of the reading commands' output.
#include "cli/selected_output.h"

#include <stdio.h>
#include <string.h>

#include "cli/display_text.h"
#include "paths/path_utils.h"
#include "platform/interrupt.h"

std::string StoredNameForMatching(const Extraction& x) {
  std::string name(x.name, (size_t)x.nameLen);
  // A folder entry's name ends in "\." (or is "." for the destination).
  if (x.item.isFolder) name.resize(name.size() >= 2 ? name.size() - 2 : 0);
  std::string shown = ArchivePathForDisplay("", name);
  while (!shown.empty() && shown.back() == '/') shown.pop_back();
  return shown;
}

bool FreeNameBeside(OsRoot* root, Extraction* x) {
  std::string path(x->fullPath, (size_t)x->fullPathLen);
  size_t leaf = (size_t)FolderPartOf(x->fullPath);
  // A dot cannot be the second byte of a double-byte character.
  size_t dot = path.rfind('.');
  if (dot == std::string::npos || dot <= leaf) dot = path.size();
  std::string stem = path.substr(0, dot), extension = path.substr(dot);
  for (int n = 1; n < 10000; n++) {
    std::string candidate = stem + " (" + std::to_string(n) + ")" + extension;
    if (candidate.size() > (size_t)kMaxPath) return false;
    if (OsProbeEntry(root, candidate.c_str()) != kEntryNone) continue;
    memcpy(x->fullPath, candidate.c_str(), candidate.size() + 1);
    x->fullPathLen = (int32_t)candidate.size();
    return true;
  }
  return false;
}

SelectedOutput::SelectedOutput(const OutputSink& inner, MemberSelection* selection,
                               OsRoot* root,
                               std::function<ExistingAnswer(const Extraction&)> onExisting)
    : inner_(inner), selection_(selection), root_(root), onExisting_(std::move(onExisting)) {}

OutputSink SelectedOutput::sink() {
  OutputSink s = {this, Folder, BeginFile, Write, EndFile, Abandon};
  return s;
}

bool SelectionTakes(MemberSelection* selection, const Extraction& x) {
  return !selection || selection->TakesAll() || selection->Selects(StoredNameForMatching(x));
}

bool SelectedOutput::Selected(const Extraction& x) { return SelectionTakes(selection_, x); }

ExtractResult SelectedOutput::Ended(const Extraction& x, ExtractResult result) {
  if (result == kExtractFinished && onItemEnd) onItemEnd(x);
  return result;
}

ExtractResult SelectedOutput::Folder(void* context, Extraction* x) {
  SelectedOutput* self = (SelectedOutput*)context;
  return self->Ended(*x, self->Selected(*x) ? self->inner_.folder(self->inner_.context, x)
                                             : kExtractFinished);
}

ExtractResult SelectedOutput::BeginFile(void* context, Extraction* x) {
  SelectedOutput* self = (SelectedOutput*)context;
  self->passed_ = false;
  if (InterruptNoted()) {
    x->cancelRequested = 1;
    return kExtractCancelled;
  }
  // Not selected: decoded, for the stream goes on, and dropped.
  if (!self->Selected(*x)) {
    x->skipping = true;
    return kExtractFinished;
  }
  if (self->root_) {
    // The disk sink behind is told what this probe found.
    x->pathFoundFree = OsProbeEntry(self->root_, x->fullPath) == kEntryNone;
    if (!x->pathFoundFree) {
      switch (self->onExisting_(*x)) {
        case ExistingAnswer::kOverwrite:
          break;
        case ExistingAnswer::kSkip:
          x->skipping = true;
          return kExtractFinished;
        case ExistingAnswer::kRename:
          if (!FreeNameBeside(self->root_, x)) return kExtractWriteFailed;
          x->pathFoundFree = true;
          if (self->onRenamed) self->onRenamed(*x);
          break;
        case ExistingAnswer::kCancel:
          x->cancelRequested = 1;
          return kExtractCancelled;
      }
    }
  }
  self->passed_ = true;
  return self->inner_.beginFile(self->inner_.context, x);
}

bool SelectedOutput::Write(void* context, const uint8_t* bytes, int32_t n) {
  SelectedOutput* self = (SelectedOutput*)context;
  return self->inner_.write(self->inner_.context, bytes, n);
}

ExtractResult SelectedOutput::EndFile(void* context, Extraction* x) {
  SelectedOutput* self = (SelectedOutput*)context;
  if (!self->passed_) return self->Ended(*x, kExtractFinished);
  self->passed_ = false;
  return self->Ended(*x, self->inner_.endFile(self->inner_.context, x));
}

void SelectedOutput::Abandon(void* context, Extraction* x) {
  SelectedOutput* self = (SelectedOutput*)context;
  self->inner_.abandon(self->inner_.context, x);
}
