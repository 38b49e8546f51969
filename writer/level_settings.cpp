// What each compression level does.
#include "writer/level_settings.h"

LevelSettings SettingsForLevel(int level) {
  // Measured on a tree of C headers (117 MB): the chains and limits
  // below are where a longer search stopped paying for its time.
  if (level <= kFastestLevel)
    return {{kParseGreedy, 4, 32, 0}, {kParseGreedy, 4, 32, 0}, {0, false}};
  if (level == kDefaultLevel)
    return {{kParseLazy, 16, 64, 8}, {kParseLazy, 16, 64, 8}, {0, false}};
  // Trials only rank the choices: a greedy parse ranks them almost as the
  // cheapest-path parse would, for a fraction of its time.
  return {{kParseOptimal, 96, 128, 0}, {kParseGreedy, 8, 32, 0}, {5, true}};
}
