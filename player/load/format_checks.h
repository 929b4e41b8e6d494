// The module check of each format beside XM: the song's counts as the file stores them, and what
// the file lacks of what its header describes (module_damage.h), walked as the format's loader
// reads the file. module_check.cpp calls the one the format detection names.
#pragma once

#include "player/load/module_check.h"
#include "player/load/module_stream.h"
#include "player/load/song.h"

namespace player {

void checkMod(StreamHandle* handle, ModuleCheck& check);
void checkS3m(StreamHandle* handle, ModuleCheck& check);
void checkIt(StreamHandle* handle, ModuleCheck& check);

// A note the check counts as playable: one of the 96 notes (neither none nor a note off).
inline bool holdsNote(const PatternCell& cell) {
  return cell.note >= 1 && cell.note <= 96;
}

// Notes the file as ending at its length when anything it describes lies past its end.
inline void noteEnd(ModuleDamage& damage, std::int64_t fileBytes, bool headerCut) {
  if (headerCut || damage.patternsMissing > 0 || damage.instrumentsMissing > 0 ||
      damage.samplesMissing > 0) {
    damage.endsAt = static_cast<std::uint32_t>(fileBytes);
  }
}

}  // namespace player
