// What each compression level does, in one place: how bodies are parsed,
// how many reference choices are tried per file and how they are
// compared.
//
//  1  fast:    greedy parse, short chains, one choice by rules of thumb;
//  2  default: lazy parse, short chains, one choice by rules of thumb;
//  3  best:    cheapest-path parse priced with the exact codes, long
//              chains, several choices compared by trial encodes.
#ifndef CORVANE_WRITER_LEVEL_SETTINGS_H
#define CORVANE_WRITER_LEVEL_SETTINGS_H

#include "writer/body_encoder.h"

const int kFastestLevel = 1;
const int kDefaultLevel = 2;
const int kStrongestLevel = 3;

struct ChoiceSettings {
  // Histories (earlier files by resemblance) proposed besides the
  // longest shared start; 0: one choice only, taken without trials.
  int histories;
  // Whether "no reference" is tried even when a choice looks sure.
  bool alwaysTryNone;
};

struct LevelSettings {
  ParseSettings parse;  // for the body
  ParseSettings trial;  // for comparing choices on a file's first bytes
  ChoiceSettings choice;
};

LevelSettings SettingsForLevel(int level);

#endif
