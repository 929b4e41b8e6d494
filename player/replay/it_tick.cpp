#include <cstring>

#include "player/engine.h"
#include "player/replay/it_effects.h"
#include "player/replay/it_notes.h"
#include "player/replay/it_output.h"
#include "player/replay/it_player.h"
#include "player/replay/song_position.h"

namespace player {

namespace {

constexpr std::uint8_t ORDER_SKIP = 254;
constexpr std::uint8_t ORDER_END = 255;
constexpr std::uint32_t RANDOM_SEED = 0x1A2B3C4D;
// Volume ramps at 44,100 Hz: a short one into a note (the attack of a drum stays sharp) and a
// longer one out of it, as the peers ramp.
constexpr std::int32_t IT_RAMP_UP_FRAMES = 16;
constexpr std::int32_t IT_RAMP_DOWN_FRAMES = 42;

// The first order from position on that names a pattern, passing "+++" orders; 0 past the end.
std::int32_t playableOrder(const Song* song, std::int32_t position) {
  for (std::int32_t tries = 0; tries < ORDER_TABLE_SIZE; ++tries, ++position) {
    if (position >= song->songLength || song->orderTable[position] == ORDER_END) position = 0;
    if (song->orderTable[position] != ORDER_SKIP) return position;
  }
  return 0;
}

// Where the row after the current one lies: a jump or break, a pattern loop, or the next row.
void findNextRow(Engine& engine, Song* song) {
  if (engine.it.jumpOrder >= 0) {
    song->nextOrder = playableOrder(song, engine.it.jumpOrder);
    song->nextRow = engine.it.breakRow >= 0 ? engine.it.breakRow : 0;
    return;
  }
  if (engine.it.loopRow >= 0) {
    song->nextOrder = song->orderPosition;
    song->nextRow = engine.it.loopRow;
    return;
  }
  song->nextOrder = song->orderPosition;
  song->nextRow = song->row + 1;
  if (song->nextRow >= patternRowsAt(song, song->orderPosition)) {
    song->nextOrder = playableOrder(song, song->orderPosition + 1);
    song->nextRow = 0;
  }
}

bool isNoteDelay(const PatternCell& cell) {
  return cell.effect == IT_S && (cell.param >> 4) == 0xD && (cell.param & 15) != 0;
}

void playRow(Engine& engine, Song* song) {
  if (song->nextOrder >= 0) song->orderPosition = song->nextOrder;
  if (song->nextRow >= 0) song->row = song->nextRow;
  if (song->row >= patternRowsAt(song, song->orderPosition)) song->row = 0;
  engine.it.jumpOrder = -1;
  engine.it.breakRow = -1;
  engine.it.loopRow = -1;
  engine.it.rowRepeats = -1;
  engine.it.fineDelay = 0;
  const PatternCell* cells = currentRowCells(song);
  for (std::int32_t c = 0; c < song->channelCount && cells != nullptr; ++c) {
    ItChannel& channel = engine.it.channels[c];
    channel.delayTick = -1;
    if (isNoteDelay(cells[c])) {
      channel.delayTick = cells[c].param & 15;
      channel.delayedCell = cells[c];
      channel.effect = 0;
      channel.volumeColumn = 0xFF;
      continue;
    }
    playItCell(engine, song, c, cells[c]);
  }
  findNextRow(engine, song);
  const std::int32_t repeats = engine.it.rowRepeats > 0 ? engine.it.rowRepeats : 0;
  song->patternDelayTicks = repeats * song->speed + engine.it.fineDelay;
}

// Frames of the tick: 2.5 x rate / tempo, the fraction dropped (as the peers do).
void setTickLength(Engine& engine, Song* song) {
  const std::int64_t rate = engine.output.outputRate;
  const std::int64_t tempo = song->bpm > 0 ? song->bpm : 1;
  song->samplesPerTick = static_cast<std::int32_t>(rate * 5 / (2 * tempo));
}

void beginSongState(Engine& engine, Song* song) {
  std::memset(static_cast<void*>(&engine.it), 0, sizeof engine.it);
  for (int c = 0; c < SONG_CHANNELS; ++c) {
    ItChannel& channel = engine.it.channels[c];
    channel.channelVolume = song->channelVolume[c];
    channel.pan = (255 - song->channelPan[c] + 2) / 4;  // 0..64 from the left
    channel.surround = (song->channelFlags[c] & CHANNEL_SURROUND) != 0;
    channel.cutTick = channel.delayTick = -1;
    channel.newNoteAction = -1;
    channel.cutoff = channel.resonance = FILTER_UNSET;
    channel.pitchFactor = 1.0;
  }
  engine.it.globalVolume = song->initialGlobalVolume;
  engine.it.random = RANDOM_SEED;
  engine.it.jumpOrder = engine.it.breakRow = engine.it.loopRow = engine.it.rowRepeats = -1;
  for (Voice& voice : engine.voicePool.voices)
    voice.sample = nullptr;
  engine.voicePool.mixedVoices = VOICE_POOL_SIZE;
  useSongRamps(engine.voicePool, IT_RAMP_UP_FRAMES, IT_RAMP_DOWN_FRAMES);
  song->orderPosition = playableOrder(song, 0);
}

}  // namespace

void beginItSong(Engine& engine, Song* song) {
  beginSongState(engine, song);
}

void runItTick(Engine& engine, Song* song) {
  collectItVoices(engine);
  for (std::int32_t c = 0; c < song->channelCount; ++c) {
    ItChannel& channel = engine.it.channels[c];
    channel.volumeDelta = 0;
    channel.panDelta = 0;
    channel.pitchFactor = 1.0;
  }
  if (song->tick == 0) {
    playRow(engine, song);
  } else {
    for (std::int32_t c = 0; c < song->channelCount; ++c)
      runItEffects(engine, song, c);
  }
  setTickLength(engine, song);
  shapeItNotes(engine, song);
  // The mixer (and the next tick's look at the voices) goes no further than the last voice that
  // sounds or belongs to a note.
  std::int32_t voices = IT_NOTES;
  while (voices > 0 && engine.voicePool.voices[voices - 1].sample == nullptr &&
         !engine.it.notes[voices - 1].active)
    --voices;
  engine.voicePool.mixedVoices = voices;
  song->tick += 1;
  if (song->tick >= song->speed + song->patternDelayTicks) {
    song->patternDelayTicks = 0;
    song->tick = 0;
  }
}

}  // namespace player
