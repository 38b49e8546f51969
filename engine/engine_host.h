// What the engine asks of the program that runs it. The stub, corvane and
// the tests each provide these plain functions.
#ifndef CORVANE_ENGINE_ENGINE_HOST_H
#define CORVANE_ENGINE_ENGINE_HOST_H

#include "engine/extraction.h"

enum OverwriteAnswer { kOverwriteYes, kOverwriteNo, kOverwriteCancel };

enum StatusKind {
  kStatusExamining,  // "処理中:" the file entry is being looked at
  kStatusSkipping,   // "スキップ中:"
  kStatusExpanding,  // "解凍中:"
};

// Something exists at x->fullPath: may it be overwritten?
OverwriteAnswer HostAskOverwrite(Extraction* x);

// The status line for the file entry in hand (x->fullPath).
void HostShowStatus(Extraction* x, StatusKind kind);

// Called at every tree rebuild of a body: keep the user interface alive
// (the Cancel button sets x->cancelRequested).
void HostPumpMessages(Extraction* x);

// An item's record has been read (x->item, x->name); for listings.
void HostItemRead(Extraction* x);

#endif
