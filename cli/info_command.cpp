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
#include "player/load/module_texts.h"
#include "player/load/song.h"
#include "player/load/song_facts.h"

namespace cli {
namespace {

struct Fact {
  std::string label;
  std::string value;
};

// The facts of the song, then the names of its instruments and their samples. The header's
// counts show as the file stores them: a count the player reads as negative (and so as none)
// still shows the file's value.
std::vector<Fact> describeModule(player::Song& song, const player::ModuleCheck& header,
                                 const player::ModuleTexts& texts) {
  const bool linear = (song.flags & player::SONG_LINEAR_FREQUENCIES) != 0;
  std::vector<Fact> facts = {
      {"title", texts.title},
      {"tracker", texts.tracker},
      {"channels", std::to_string(header.stored.channelCount)},
      {"song length", std::to_string(header.stored.songLength)},
      {"restart position", std::to_string(header.stored.restartPosition)},
      {"patterns", std::to_string(header.patternCount) + " in header, " +
                       std::to_string(song.patternSlotCount) + " slots"},
      {"instruments", std::to_string(header.stored.instrumentCount)},
      {"samples", std::to_string(player::ownSampleCount(song))},
      {"frequency table", linear ? "linear" : "amiga"},
      {"speed", std::to_string(header.stored.speed)},
      {"bpm", std::to_string(header.stored.bpm)},
      {"sample memory", withThousands(player::sampleMemoryBytes(song)) + " bytes"},
      {"duration", naturalDurationText(&song)},
  };
  for (std::size_t i = 0; i < texts.instrumentNames.size(); ++i) {
    const std::string instrument = "instrument " + std::to_string(i + 1);
    facts.push_back({instrument, texts.instrumentNames[i]});
    for (std::size_t j = 0; j < texts.sampleNames[i].size(); ++j)
      facts.push_back({instrument + " sample " + std::to_string(j + 1), texts.sampleNames[i][j]});
  }
  return facts;
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
  const std::vector<Fact> facts = describeModule(*file.song, player::checkModule(file.image),
                                                 player::readModuleTexts(file.image));
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
