#include "writer/level_settings.h"

LevelSettings SettingsForLevel(int level) {
  if (level <= kFastestLevel)
    return {{kParseGreedy, 8, 32}, {kParseGreedy, 8, 32}, {0, false}};
  if (level == kDefaultLevel)
    return {{kParseLazy, 16, 64}, {kParseLazy, 16, 64}, {0, false}};
  return {{kParseOptimal, 96, 128}, {kParseOptimal, 96, 128}, {5, true}};
}
