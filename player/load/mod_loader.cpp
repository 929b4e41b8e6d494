#include "player/load/mod_loader.h"

#include "player/load/effects.h"
#include "player/load/load_memory.h"
#include "player/load/mod_format.h"
#include "player/load/song_build.h"
#include "player/load/xm_format.h"
#include "player/replay/tick_driver.h"

namespace player {
namespace {

constexpr std::int16_t MOD_SPEED = 6;
constexpr std::int16_t MOD_TEMPO = 125;
// The Amiga's channels sound hard left or right; played at a quarter of the way in from each
// side (as both reference players do by default), so that headphones do not hear a channel in
// one ear only and two loud channels on one side clip less.
constexpr std::uint8_t AMIGA_LEFT = playerPan(64);
constexpr std::uint8_t AMIGA_RIGHT = playerPan(191);

// Reads the cells of every pattern; FLT8 patterns join two stored four-channel halves.
// Returns whether every note lies within the Amiga's octaves.
bool readCells(Song* song, StreamHandle* handle, const ModLayout& layout) {
  bool amigaNotes = true;
  const std::int32_t storedChannels = layout.pairedPatterns ? 4 : layout.channels;
  for (std::int32_t p = 0; p < layout.patterns; ++p) {
    PatternCell* cells = song->patterns[p].cells;
    const std::int32_t halves = layout.pairedPatterns ? 2 : 1;
    for (std::int32_t half = 0; half < halves; ++half) {
      for (std::int32_t row = 0; row < MOD_ROWS; ++row) {
        for (std::int32_t c = 0; c < storedChannels; ++c) {
          std::uint8_t stored[MOD_CELL_BYTES] = {};
          read(stored, MOD_CELL_BYTES, handle);
          PatternCell& cell = cells[row * layout.channels + half * storedChannels + c];
          decodeModCell(stored, cell);
          if (cell.note != 0 && !amigaNote(cell.note)) amigaNotes = false;
        }
      }
    }
  }
  return amigaNotes;
}

// One sample header as the song keeps it. ProTracker counts in words and has no loop below two
// words; some trackers stored the loop start in bytes, which shows as a loop past the end that
// fits once halved.
void takeSampleHeader(Sample& sample, const ModSampleHeader& stored) {
  sample.length = stored.length;
  sample.volume = stored.volume > 64 ? 64 : stored.volume;
  sample.finetune = static_cast<std::int8_t>(stored.finetune << 4);
  sample.panning = 128;
  std::uint32_t loopStart = stored.loopStart;
  if (loopStart + stored.loopLength > stored.length &&
      loopStart / 2 + stored.loopLength <= stored.length) {
    loopStart /= 2;
  }
  sample.loopMode = stored.loopLength > 2 ? LOOP_FORWARD : LOOP_OFF;
  sample.loopStart = loopStart;
  sample.loopLength = stored.loopLength;
}

bool readSamples(Song* song, StreamHandle* handle, const ModLayout& layout) {
  song->instruments = loadAllocateArray<Instrument>(static_cast<std::size_t>(layout.samples));
  if (song->instruments == nullptr) return false;
  song->instrumentCount = static_cast<std::int16_t>(layout.samples);
  seekTo(handle, modSampleDataOffset(layout));
  const SampleStorage storage{8, false, false};
  for (std::int32_t s = 0; s < layout.samples; ++s) {
    auto* sample = loadAllocateArray<Sample>(1);
    if (sample == nullptr) return false;
    useSingleSample(song->instruments[s], sample);
    takeSampleHeader(*sample, layout.sampleHeaders[s]);
    if (!readSampleValues(song, handle, *sample, storage, s)) return false;
  }
  return true;
}

}  // namespace

int parseMod(Song* song, StreamHandle* handle) {
  if (song == nullptr || handle == nullptr) return 0;
  ModLayout layout;
  readModLayout(handle, layout);
  song->format = ModuleFormat::MOD;
  song->tickHandler = runTick;
  song->initialGlobalVolume = 64;
  song->channelCount = static_cast<std::int16_t>(layout.channels);
  song->songLength = static_cast<std::int16_t>(layout.songLength);
  // NoiseTracker's restart position; ProTracker writes 127 there and always starts again at 0.
  song->restartPosition = layout.restartByte < layout.songLength ? layout.restartByte : 0;
  song->defaultSpeed = MOD_SPEED;
  song->defaultBpm = MOD_TEMPO;
  for (std::int32_t i = 0; i < MOD_ORDER_SLOTS; ++i)
    song->orderTable[i] = layout.orders[i];
  song->usedPatternCount = 0;
  for (std::int32_t i = 0; i < song->songLength; ++i) {
    if (song->orderTable[i] + 1 > song->usedPatternCount)
      song->usedPatternCount = song->orderTable[i] + 1;
  }
  // The Amiga's channels sound left, right, right and left.
  for (std::int32_t c = 0; c < layout.channels; ++c)
    song->channelPan[c] = (c & 3) == 0 || (c & 3) == 3 ? AMIGA_LEFT : AMIGA_RIGHT;

  if (!allocatePatterns(song, layout.patterns, MOD_ROWS)) return 0;
  seekTo(handle, layout.headerBytes);
  const bool amigaNotes = readCells(song, handle, layout);
  song->rules = RULE_CHANNEL_PANNING | RULE_ROW_REPEAT_DELAY | RULE_WHOLE_FRAME_TICKS |
                RULE_PROTRACKER_OSCILLATORS | RULE_VIBRATO_FALLS_FIRST | RULE_PROTRACKER_OFFSET |
                RULE_PAL_CLOCK | RULE_PROTRACKER_PERIODS | RULE_PROTRACKER_RETRIGGER |
                RULE_FINE_GAINS | RULE_NOTES_RESTART_WAVES | RULE_QUICK_RAMPS;
  // The Amiga's timer takes a new tempo at its next tick, and its sound chip plays a sample
  // swapped in by an instrument without a note once the playing loop ends; trackers on the PC,
  // which wrote the files of more channels, do neither.
  if (layout.channels == 4) song->rules |= RULE_TEMPO_AT_NEXT_TICK | RULE_SAMPLE_SWAP;
  // Files with notes beyond the Amiga's octaves come from PC trackers, which slide past them.
  if (amigaNotes && layout.channels == 4) song->rules |= RULE_AMIGA_PERIOD_LIMITS;
  return readSamples(song, handle, layout) ? 1 : 0;
}

}  // namespace player
