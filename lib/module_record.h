// What a jingle_module is inside the library: the loaded song, shared read-only by every player
// made from it, and the facts and texts the queries hand out, all made once at load. The module
// lives as long as its last reference: the program's, and one for each player.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "jingle/jingle.h"
#include "player/load/module_damage.h"
#include "player/load/song.h"

struct jingle_module {
  std::atomic<std::int32_t> references{1};
  player::Song* song = nullptr;
  jingle_module_info info{};  // its texts point into the strings below
  jingle_module_damage damage{};
  std::string format, title, tracker, note, message;
  std::vector<std::string> instrumentNames;
  std::vector<std::string> sampleNames;    // over all instruments, instrument by instrument
  std::vector<std::int32_t> sampleOwners;  // the instrument of each, counted from 0
  std::vector<std::string> warnings;
  // The song's last ends searched for (songEndFrame), by rate and rounds: every player of the
  // module and the duration query share them.
  struct EndMemo {
    std::int32_t rate = 0;
    std::int32_t rounds = 0;
    std::int64_t frame = 0;
  };
  static constexpr int END_MEMOS = 4;
  mutable std::mutex endsMutex;
  mutable EndMemo ends[END_MEMOS];
  mutable int nextEnd = 0;
};

namespace jingle::internal {

// One more reference to module, for a player.
void holdModule(const jingle_module* module);
// One reference less; the last frees the module.
void releaseModule(const jingle_module* module);
// The frame at which the song ends after rounds times round at rate, or the frame of
// JINGLE_MAX_SECONDS where it has not ended by then; searched once and remembered.
std::int64_t moduleEndFrame(const jingle_module& module, std::int32_t rate, std::int32_t rounds);

}  // namespace jingle::internal
