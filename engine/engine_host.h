// What the engine asks of the program that runs it: the overwrite
// question, the status line, a moment for the user interface at every
// rebuild point, and news of each item read. The stub, corvane and the
// tests each fill one in; every function gets the host's context back.
#ifndef CORVANE_ENGINE_ENGINE_HOST_H
#define CORVANE_ENGINE_ENGINE_HOST_H

struct Extraction;

enum OverwriteAnswer { kOverwriteYes, kOverwriteNo, kOverwriteCancel };

enum StatusKind {
  kStatusExamining,  // "処理中:" the file entry is being looked at
  kStatusSkipping,   // "スキップ中:"
  kStatusExpanding,  // "解凍中:"
};

struct EngineHost {
  void* context;
  // Something exists at x->fullPath: may it be overwritten?
  OverwriteAnswer (*askOverwrite)(void* context, const Extraction* x);
  // The status line for the file entry in hand (x->fullPath).
  void (*showStatus)(void* context, const Extraction* x, StatusKind kind);
  // Called at every tree rebuild of a body: keep the user interface alive
  // (a Cancel sets x->cancelRequested).
  void (*pumpMessages)(void* context, Extraction* x);
  // An item's record has been read (x->item, x->name); for listings. May
  // be null.
  void (*itemRead)(void* context, const Extraction* x);
};

#endif
