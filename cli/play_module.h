// One module of jingle play on the sound device: its player started from the start asked for,
// the status redrawn while it plays, and the keys acted on, until its end is heard, the time asked
// for has passed, or a key or signal moves on. A seek restarts play at its target, so that the
// device starts afresh there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "cli/sound_options.h"

namespace cli {

struct PlayOptions {
  std::vector<std::string> paths;
  double seconds = 0.0;  // 0: no limit
  std::int32_t loops = 1;
  bool endless = false;
  std::int64_t startMs = 0;
  std::string start;         // as given
  std::uint64_t muted = 0;   // channels silenced by --mute and --solo, at each module's start
  std::uint64_t listed = 0;  // the channels --mute and --solo name
  SoundOptions sound;
  bool shuffle = false;  // each time through the list in another order
  bool repeat = false;   // through the list again and again
};

// Where the list goes after a module.
enum class Next { FORWARD, BACK, QUIT, SEEK };

// Plays the module at path, the index-th of the list of count; EXIT_OK with next set, or the exit
// code after a line on stderr. keys: whether the keys are shown, kept from one module to the next.
int playModule(const std::string& path, std::size_t index, std::size_t count,
               const PlayOptions& options, Next& next, bool& keys);

}  // namespace cli
