#include "player/load/s3m_loader.h"

#include "player/load/effects.h"
#include "player/load/letter_effects.h"
#include "player/load/load_memory.h"
#include "player/load/s3m_format.h"
#include "player/load/song_build.h"
#include "player/load/xm_format.h"
#include "player/replay/tick_driver.h"

namespace player {
namespace {

constexpr std::int16_t DEFAULT_SPEED = 6;
constexpr std::int16_t DEFAULT_TEMPO = 125;
constexpr std::int16_t LOWEST_TEMPO = 33;
constexpr std::uint8_t STEREO_MIX = 0x80;  // masterVolume bit: stereo, else every channel centred
// The rest of masterVolume: 16 to 127, 0 standing for the default.
constexpr std::uint8_t MASTER_VOLUME_BITS = 0x7F;
constexpr std::uint8_t DEFAULT_MASTER_VOLUME = 48;
constexpr std::uint8_t LOWEST_MASTER_VOLUME = 16;
constexpr std::uint8_t PAN_SET = 0x20;  // channelPanning bit: the low nibble is the pan
constexpr std::uint8_t LEFT_PAN = 0x3, RIGHT_PAN = 0xC;  // of 0 (left) to 15 (right)
constexpr std::uint8_t CENTRE = 128;                     // the player's pan
constexpr std::uint8_t RIGHT_CHANNELS = 8;               // settings 8-15
constexpr std::uint16_t SCREAM_TRACKER_300 = 0x1300;
constexpr std::uint16_t IMPULSE_TRACKER = 3;  // the tracker, from the version's top four bits

// A pan of 0 (left) to 15 (right) as the player's.
std::uint8_t panOf(std::uint8_t nibble) {
  return playerPan(nibble * 17u);
}

void takeHeader(Song* song, const S3mHeader& header, const std::int32_t songChannel[S3M_CHANNELS]) {
  song->format = ModuleFormat::S3M;
  song->tickHandler = runTick;
  song->initialGlobalVolume = header.globalVolume > 64 ? 64 : header.globalVolume;
  song->defaultSpeed = header.speed == 0 || header.speed == 255 ? DEFAULT_SPEED : header.speed;
  song->defaultBpm = header.tempo < LOWEST_TEMPO ? DEFAULT_TEMPO : header.tempo;
  const std::uint8_t master = header.masterVolume & MASTER_VOLUME_BITS;
  song->masterVolume = master == 0                     ? DEFAULT_MASTER_VOLUME
                       : master < LOWEST_MASTER_VOLUME ? LOWEST_MASTER_VOLUME
                                                       : master;
  for (std::int32_t c = 0; c < S3M_CHANNELS; ++c) {
    if (songChannel[c] < 0) continue;
    if ((header.masterVolume & STEREO_MIX) == 0) {
      song->channelPan[songChannel[c]] = CENTRE;
      continue;
    }
    std::uint8_t pan = (header.channelSettings[c] & 0x7F) >= RIGHT_CHANNELS ? RIGHT_PAN : LEFT_PAN;
    if ((header.channelPanning[c] & PAN_SET) != 0) pan = header.channelPanning[c] & 0x0F;
    song->channelPan[songChannel[c]] = panOf(pan);
  }
}

// The rules of the tracker that wrote the file. Scream Tracker's own files (and those of the
// trackers that copy its play routine) share one effect memory; Impulse Tracker and the others
// play S3M files by their own rules.
std::uint32_t rulesOf(const S3mHeader& header) {
  std::uint32_t rules = RULE_CHANNEL_PANNING | RULE_ROW_REPEAT_DELAY | RULE_WHOLE_FRAME_TICKS |
                        RULE_NOTE_OFF_CUTS | RULE_VIBRATO_FALLS_FIRST | RULE_RETRIGGER_COUNTS_ON |
                        RULE_FINE_GAINS | RULE_VIBRATO_SINGLE_UNITS | RULE_NOTES_RESTART_WAVES |
                        RULE_QUICK_RAMPS;
  // Scream Tracker's periods; Impulse Tracker plays the notes at their exact rates.
  const std::uint16_t tracker = header.trackerVersion >> 12;
  rules |= RULE_SCREAM_TRACKER_PERIODS;
  // Impulse Tracker also slides the tempo with T0x and T1x, which Scream Tracker 3 ignores.
  if (tracker == IMPULSE_TRACKER) rules |= RULE_EXACT_NOTE_RATES | RULE_TEMPO_SLIDES;
  if (tracker == 1 || tracker == 5 || tracker == 6 || tracker == 7) {
    rules |= RULE_SHARED_EFFECT_MEMORY | RULE_SLIDE_DOWN_WINS | RULE_SCREAM_TRACKER_LIMITS;
  }
  if ((header.flags & S3M_AMIGA_LIMITS) != 0) rules |= RULE_AMIGA_PERIOD_LIMITS;
  if ((header.flags & S3M_FAST_VOLUME_SLIDES) != 0 || header.trackerVersion == SCREAM_TRACKER_300) {
    rules |= RULE_FAST_VOLUME_SLIDES;
  }
  if ((header.flags & S3M_OLD_VIBRATO) != 0) rules |= RULE_OLD_VIBRATO;
  return rules;
}

bool readPatterns(Song* song, StreamHandle* handle, const S3mHeader& header,
                  const std::int32_t songChannel[S3M_CHANNELS]) {
  std::int32_t slots = header.patterns;
  if (song->usedPatternCount > slots) slots = song->usedPatternCount;
  if (!allocatePatterns(song, slots, S3M_ROWS)) return false;
  for (std::int32_t p = 0; p < header.patterns; ++p) {
    readS3mPattern(handle, header.patternOffsets[p], songChannel, song->channelCount,
                   song->patterns[p].cells);
  }
  return true;
}

// One instrument. AdLib instruments and compressed samples have no values the player can play:
// they stay silent, as an empty sample.
bool readInstrument(Song* song, StreamHandle* handle, const S3mHeader& header, std::int32_t index) {
  auto* sample = loadAllocateArray<Sample>(1);
  if (sample == nullptr) return false;
  useSingleSample(song->instruments[index], sample);
  S3mInstrument stored;
  readS3mInstrument(handle, header.instrumentOffsets[index], stored);
  sample->volume = stored.volume > 64 ? 64 : stored.volume;
  sample->panning = 128;
  sample->c4Rate = stored.c2spd;
  if (stored.type != S3M_SAMPLE || stored.pack != 0) return true;
  sample->length = stored.length;
  const bool loops = (stored.flags & S3M_SAMPLE_LOOPS) != 0 && stored.loopEnd > stored.loopStart;
  sample->loopMode = loops ? LOOP_FORWARD : LOOP_OFF;
  sample->loopStart = stored.loopStart;
  sample->loopLength = loops ? stored.loopEnd - stored.loopStart : 0;
  const SampleStorage storage{
      static_cast<std::uint8_t>((stored.flags & S3M_SAMPLE_16_BIT) ? 16 : 8),
      header.sampleFormat == 2, (stored.flags & S3M_SAMPLE_STEREO) != 0};
  seekTo(handle, stored.dataOffset);
  return readSampleValues(song, handle, *sample, storage, index);
}

}  // namespace

int parseS3m(Song* song, StreamHandle* handle) {
  if (song == nullptr || handle == nullptr) return 0;
  S3mHeader header;
  readS3mHeader(handle, header);
  std::int32_t songChannel[S3M_CHANNELS];
  song->channelCount = static_cast<std::int16_t>(s3mSongChannels(header, songChannel));
  takeHeader(song, header, songChannel);
  song->rules = rulesOf(header);

  std::uint8_t remap[ORDER_TABLE_SIZE];
  song->songLength = static_cast<std::int16_t>(
      compactOrders(header.orders, header.orderCount, song->orderTable, remap));
  for (std::int32_t i = 0; i < song->songLength; ++i) {
    if (song->orderTable[i] + 1 > song->usedPatternCount)
      song->usedPatternCount = song->orderTable[i] + 1;
  }
  if (!readPatterns(song, handle, header, songChannel)) return 0;
  remapPositionJumps(song, remap);

  song->instrumentCount = static_cast<std::int16_t>(header.instruments);
  if (header.instruments == 0) return 1;
  song->instruments = loadAllocateArray<Instrument>(static_cast<std::size_t>(header.instruments));
  if (song->instruments == nullptr) return 0;
  for (std::int32_t i = 0; i < header.instruments; ++i) {
    if (!readInstrument(song, handle, header, i)) return 0;
  }
  return 1;
}

}  // namespace player
