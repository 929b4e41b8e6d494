// jingle info FILE: what the module holds, one "label: value" line per fact.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/duration_text.h"
#include "cli/module_file.h"
#include "cli/number_text.h"
#include "player/load/module_check.h"
#include "player/load/song.h"

namespace cli {
namespace {

struct Fact {
  std::string label;
  std::string value;
};

std::int64_t ownSampleCount(const player::Song& song) {
  std::int64_t count = 0;
  for (int i = 0; i < song.instrumentCount; ++i)
    count += song.instruments[i].sampleCount;
  return count;
}

// Bytes of 16-bit sample data the song holds, the guard values behind each sample included.
std::uint64_t sampleMemory(const player::Song& song) {
  std::uint64_t bytes = 0;
  for (int i = 0; i < song.instrumentCount; ++i) {
    const player::Instrument& in = song.instruments[i];
    for (int j = 0; j < in.sampleCount; ++j) {
      const player::Sample* sample = in.samples[j];
      if (sample->data == nullptr) continue;
      bytes += (static_cast<std::uint64_t>(sample->length) + player::SAMPLE_GUARD_VALUES) *
               sizeof(std::int16_t);
    }
  }
  return bytes;
}

// The header's counts as the file stores them: a count the player reads as negative (and so as
// none) still shows the file's value.
std::vector<Fact> describeModule(const player::Song& song, const player::ModuleCheck& header) {
  const bool linear = (song.flags & player::SONG_LINEAR_FREQUENCIES) != 0;
  return {
      {"channels", std::to_string(header.stored.channelCount)},
      {"song length", std::to_string(header.stored.songLength)},
      {"restart position", std::to_string(header.stored.restartPosition)},
      {"patterns", std::to_string(header.patternCount) + " in header, " +
                       std::to_string(song.patternSlotCount) + " slots"},
      {"instruments", std::to_string(header.stored.instrumentCount)},
      {"samples", std::to_string(ownSampleCount(song))},
      {"frequency table", linear ? "linear" : "amiga"},
      {"speed", std::to_string(header.stored.speed)},
      {"bpm", std::to_string(header.stored.bpm)},
      {"sample memory", withThousands(sampleMemory(song)) + " bytes"},
      {"duration", naturalDurationText(&song)},
  };
}

}  // namespace

int runInfo(const std::vector<std::string>& args) {
  if (args.size() != 1) {
    std::fputs("usage: jingle info FILE\n", stderr);
    return EXIT_BAD_INPUT;
  }
  ModuleFile file;
  const int opened = openModuleFile(args[0], file);
  if (opened != EXIT_OK) return opened;
  const std::vector<Fact> facts = describeModule(*file.song, player::checkModule(file.image));
  closeModuleFile(file);

  for (const Fact& fact : facts)
    std::printf("%s: %s\n", fact.label.c_str(), fact.value.c_str());
  if (std::fflush(stdout) != 0) {
    std::fputs("jingle: cannot write to standard output\n", stderr);
    return EXIT_OUTPUT_FAILED;
  }
  return EXIT_OK;
}

}  // namespace cli
