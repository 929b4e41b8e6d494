#include "player/load/it_loader.h"

#include <algorithm>

#include "player/load/effects.h"
#include "player/load/it_cells.h"
#include "player/load/it_format.h"
#include "player/load/it_macros.h"
#include "player/load/it_sample_data.h"
#include "player/load/letter_effects.h"
#include "player/load/load_memory.h"
#include "player/load/xm_format.h"
#include "player/load/xm_loader.h"
#include "player/replay/it_player.h"

namespace player {
namespace {

constexpr std::uint8_t DEFAULT_SPEED = 6;
constexpr std::uint8_t DEFAULT_TEMPO = 125;
constexpr std::uint8_t LOWEST_TEMPO = 32;

std::int32_t atMost(std::int32_t value, std::int32_t most) {
  return value < most ? value : most;
}

void takeChannels(Song* song, const ItHeader& header) {
  for (int c = 0; c < SONG_CHANNELS; ++c) {
    const std::uint8_t pan = header.channelPan[c];
    const std::uint8_t position = pan & 0x7F;
    std::uint8_t flags = 0;
    if ((pan & IT_PAN_DISABLED) != 0) flags |= CHANNEL_SILENCED;
    if (position == IT_PAN_SURROUND) flags |= CHANNEL_SURROUND;
    // The player's pan byte (255 left) from the file's 0..64 (0 left), four steps to one.
    song->channelPan[c] = playerPan(position <= 64 ? 4u * position : 128u);
    song->channelVolume[c] = static_cast<std::uint8_t>(atMost(header.channelVolume[c], 64));
    song->channelFlags[c] = flags;
  }
}

void takeHeader(Song* song, const ItHeader& header) {
  song->trackerVersion = header.trackerVersion;
  song->formatVersion = header.formatVersion;
  if ((header.flags & IT_LINEAR_SLIDES) != 0) song->flags |= SONG_LINEAR_FREQUENCIES;
  if ((header.flags & IT_INSTRUMENTS) != 0) song->playRules |= PLAY_INSTRUMENT_MODE;
  if ((header.flags & IT_OLD_EFFECTS) != 0) song->playRules |= PLAY_OLD_EFFECTS;
  if ((header.flags & IT_COMPATIBLE_GXX) != 0) song->playRules |= PLAY_COMPATIBLE_GXX;
  if ((header.flags & IT_STEREO) == 0) song->playRules |= PLAY_MONO;
  song->globalVolumeRange = 128;
  song->initialGlobalVolume = static_cast<std::uint8_t>(atMost(header.globalVolume, 128));
  song->mixingVolume = static_cast<std::uint8_t>(atMost(header.mixingVolume, 128));
  song->panSeparation = static_cast<std::uint8_t>(atMost(header.panSeparation, 128));
  song->defaultSpeed = header.speed == 0 ? DEFAULT_SPEED : header.speed;
  song->defaultBpm = header.tempo < LOWEST_TEMPO ? DEFAULT_TEMPO : header.tempo;
  takeChannels(song, header);
}

// The order list without its markers ("+++" left out, "---" ending it); remap tells where each
// stored position went.
void readOrders(Song* song, StreamHandle* handle, const ItHeader& header,
                std::uint8_t remap[ORDER_TABLE_SIZE]) {
  const std::int32_t count = atMost(header.orderCount, ORDER_TABLE_SIZE);
  std::uint8_t stored[ORDER_TABLE_SIZE] = {};
  seekTo(handle, IT_HEADER_SIZE);
  read(stored, static_cast<std::uint32_t>(count), handle);
  song->songLength =
      static_cast<std::int16_t>(compactOrders(stored, count, song->orderTable, remap));
  for (std::int32_t i = 0; i < song->songLength; ++i) {
    if (song->orderTable[i] >= song->usedPatternCount) {
      song->usedPatternCount = song->orderTable[i] + 1;
    }
  }
}

// The rules of Impulse Tracker's own playing, for the flow every format shares.
constexpr std::uint32_t IT_RULES = RULE_CHANNEL_PANNING | RULE_ROW_REPEAT_DELAY |
                                   RULE_WHOLE_FRAME_TICKS | RULE_FINE_PATTERN_DELAY |
                                   RULE_TEMPO_SLIDES | RULE_TEMPO_MEMORY | RULE_FIRST_ROW_REPEAT |
                                   RULE_JUMP_KEEPS_BREAK_ROW | RULE_FINE_GAINS;

bool readPatterns(Song* song, StreamHandle* handle, const ItHeader& header) {
  const std::int32_t stored = atMost(header.patternCount, IT_MAX_PATTERNS);
  song->patternSlotCount = stored > song->usedPatternCount ? stored : song->usedPatternCount;
  if (song->patternSlotCount == 0) return true;
  song->patterns = loadAllocateArray<Pattern>(static_cast<std::size_t>(song->patternSlotCount));
  if (song->patterns == nullptr) return false;

  const std::int64_t table = itPatternTable(header);
  const ItPatternSize size = measureItPatterns(handle, header, song->patternSlotCount);
  for (std::int32_t p = 0; p < song->patternSlotCount; ++p) {
    const std::uint32_t offset = p < stored ? readItOffset(handle, table, p) : 0;
    song->patterns[p].rows = itPatternRows(handle, offset);
  }
  song->channelCount = static_cast<std::int16_t>(size.channels);
  const auto channels = static_cast<std::size_t>(song->channelCount);
  if (size.rows * channels > MAX_PATTERN_CELLS) return false;
  if (channels == 0) return true;

  auto* unpacked = loadAllocateArray<ItCell>(static_cast<std::size_t>(IT_MAX_ROWS) * SONG_CHANNELS);
  if (unpacked == nullptr) return false;
  bool allocated = true;
  for (std::int32_t p = 0; p < song->patternSlotCount && allocated; ++p) {
    Pattern& pattern = song->patterns[p];
    const auto patternRows = static_cast<std::size_t>(pattern.rows);
    pattern.cells = loadAllocateArray<PatternCell>(patternRows * channels);
    allocated = pattern.cells != nullptr;
    if (!allocated) break;
    std::fill_n(unpacked, patternRows * SONG_CHANNELS, ItCell{});
    const std::uint32_t offset = p < stored ? readItOffset(handle, table, p) : 0;
    std::int32_t ignored = -1;
    unpackItPattern(handle, offset, unpacked, ignored);
    for (std::size_t r = 0; r < patternRows; ++r) {
      for (std::size_t c = 0; c < channels; ++c) {
        const ItCell& cell = unpacked[r * SONG_CHANNELS + c];
        if (cell.fields != 0) pattern.cells[r * channels + c] = translateItCell(cell);
      }
    }
  }
  loadFree(unpacked);
  return allocated;
}

bool readSamples(Song* song, StreamHandle* handle, const ItHeader& header) {
  song->sampleCount = atMost(header.sampleCount, IT_MAX_SAMPLES);
  if (song->sampleCount == 0) return true;
  song->samples = loadAllocateArray<Sample>(static_cast<std::size_t>(song->sampleCount));
  if (song->samples == nullptr) return false;
  const std::int64_t table = itSampleTable(header);
  // Samples may point at the same bytes; together they decode to no more than the file can
  // hold once.
  std::uint64_t budget = sampleValueBudget(handle);
  for (std::int32_t s = 0; s < song->sampleCount; ++s) {
    const std::uint32_t offset = readItOffset(handle, table, s);
    ItSampleHeader stored;
    readItSampleHeader(handle, offset, stored);
    takeItSampleHeader(stored, song->samples[s]);
    if (!readItSampleData(song, handle, stored, song->samples[s], s, budget)) return false;
  }
  return true;
}

// Sample mode: instrument n plays sample n on every note, at the sample's settings alone.
void sampleInstrument(Instrument& in, std::int32_t sample) {
  for (int k = 0; k < KEYBOARD_NOTES; ++k) {
    in.keyboardNote[k] = static_cast<std::uint8_t>(k);
    in.keyboardSample[k] = static_cast<std::uint8_t>(sample + 1);
  }
  in.newNoteAction = NNA_CUT;
  in.globalVolume = 128;
  in.pitchPanCentre = 60;
  in.filterCutoff = FILTER_UNSET;
  in.filterResonance = FILTER_UNSET;
}

bool readInstruments(Song* song, StreamHandle* handle, const ItHeader& header) {
  const bool instrumentMode = (song->playRules & PLAY_INSTRUMENT_MODE) != 0;
  const std::int32_t count =
      instrumentMode ? atMost(header.instrumentCount, IT_MAX_INSTRUMENTS) : song->sampleCount;
  song->instrumentCount = static_cast<std::int16_t>(count);
  if (count == 0) return true;
  song->instruments = loadAllocateArray<Instrument>(static_cast<std::size_t>(count));
  if (song->instruments == nullptr) return false;
  const bool oldFormat = header.formatVersion < 0x200;
  const std::int64_t table = itInstrumentTable(header);
  for (std::int32_t i = 0; i < count; ++i) {
    Instrument& in = song->instruments[i];
    for (const Sample*& slot : in.samples)
      slot = &EmptySample;
    if (instrumentMode) {
      readItInstrument(handle, readItOffset(handle, table, i), oldFormat, in);
    } else {
      sampleInstrument(in, i);
    }
  }
  return true;
}

}  // namespace

ItPatternSize measureItPatterns(StreamHandle* handle, const ItHeader& header, std::int32_t slots) {
  const std::int32_t stored = atMost(header.patternCount, IT_MAX_PATTERNS);
  const std::int64_t table = itPatternTable(header);
  std::int32_t highestChannel = -1;
  ItPatternSize size{0, 0};
  for (std::int32_t p = 0; p < slots; ++p) {
    const std::uint32_t offset = p < stored ? readItOffset(handle, table, p) : 0;
    size.rows += static_cast<std::uint64_t>(itPatternRows(handle, offset));
    unpackItPattern(handle, offset, nullptr, highestChannel);
  }
  size.channels = highestChannel + 1;
  return size;
}

int parseIt(Song* song, StreamHandle* handle) {
  if (song == nullptr || handle == nullptr) return 0;
  if (!readItSignature(handle)) return 0;
  song->tickHandler = runItTick;
  song->onPlayStart = beginItSong;
  ItHeader header;
  readItHeader(handle, header);
  takeHeader(song, header);
  song->format = ModuleFormat::IT;
  song->rules = IT_RULES;
  if (modplugIt(header.trackerVersion, header.formatVersion))
    song->rules |= RULE_PERIOD_TABLE_NOTES | RULE_EMPTY_KEYS_RELEASE;
  std::uint8_t remap[ORDER_TABLE_SIZE];
  readOrders(song, handle, header, remap);
  song->macros = defaultMacros();
  const std::int64_t macros = itMacroOffset(handle, header);
  if (macros >= 0) readItMacros(handle, macros, song->macros);
  if (!readPatterns(song, handle, header)) return 0;
  remapPositionJumps(song, remap);
  if (!readSamples(song, handle, header)) return 0;
  if (!readInstruments(song, handle, header)) return 0;
  return 1;
}

}  // namespace player
