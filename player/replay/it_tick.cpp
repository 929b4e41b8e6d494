#include <cstring>

#include "player/audio_output.h"
#include "player/mixer/mixer.h"
#include "player/replay/it_effects.h"
#include "player/replay/it_notes.h"
#include "player/replay/it_output.h"
#include "player/replay/it_player.h"
#include "player/replay/song_position.h"

namespace player {

ItPlayer itPlayer;

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
void findNextRow(Song* song) {
  if (itPlayer.jumpOrder >= 0) {
    song->nextOrder = playableOrder(song, itPlayer.jumpOrder);
    song->nextRow = itPlayer.breakRow >= 0 ? itPlayer.breakRow : 0;
    return;
  }
  if (itPlayer.loopRow >= 0) {
    song->nextOrder = song->orderPosition;
    song->nextRow = itPlayer.loopRow;
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

void playRow(Song* song) {
  if (song->nextOrder >= 0) song->orderPosition = song->nextOrder;
  if (song->nextRow >= 0) song->row = song->nextRow;
  if (song->row >= patternRowsAt(song, song->orderPosition)) song->row = 0;
  itPlayer.jumpOrder = -1;
  itPlayer.breakRow = -1;
  itPlayer.loopRow = -1;
  itPlayer.rowRepeats = -1;
  itPlayer.fineDelay = 0;
  const PatternCell* cells = currentRowCells(song);
  for (std::int32_t c = 0; c < song->channelCount && cells != nullptr; ++c) {
    ItChannel& channel = itPlayer.channels[c];
    channel.delayTick = -1;
    if (isNoteDelay(cells[c])) {
      channel.delayTick = cells[c].param & 15;
      channel.delayedCell = cells[c];
      channel.effect = 0;
      channel.volumeColumn = 0xFF;
      continue;
    }
    playItCell(song, c, cells[c]);
  }
  findNextRow(song);
  const std::int32_t repeats = itPlayer.rowRepeats > 0 ? itPlayer.rowRepeats : 0;
  song->patternDelayTicks = repeats * song->speed + itPlayer.fineDelay;
}

// Frames of the tick: 2.5 x rate / tempo, the fraction dropped (as the peers do).
void setTickLength(Song* song) {
  const std::int64_t rate = audioOutput.outputRate;
  const std::int64_t tempo = song->bpm > 0 ? song->bpm : 1;
  song->samplesPerTick = static_cast<std::int32_t>(rate * 5 / (2 * tempo));
}

void beginSongState(Song* song) {
  std::memset(static_cast<void*>(&itPlayer), 0, sizeof itPlayer);
  for (int c = 0; c < SONG_CHANNELS; ++c) {
    ItChannel& channel = itPlayer.channels[c];
    channel.channelVolume = song->channelVolume[c];
    channel.pan = song->channelPan[c];
    channel.surround = (song->channelFlags[c] & CHANNEL_SURROUND) != 0;
    channel.cutTick = channel.delayTick = -1;
    channel.newNoteAction = -1;
    channel.cutoff = channel.resonance = FILTER_UNSET;
    channel.pitchFactor = 1.0;
  }
  itPlayer.globalVolume = song->initialGlobalVolume;
  itPlayer.random = RANDOM_SEED;
  itPlayer.jumpOrder = itPlayer.breakRow = itPlayer.loopRow = itPlayer.rowRepeats = -1;
  for (Voice& voice : voicePool)
    voice.sample = nullptr;
  mixedVoiceCount = VOICE_POOL_SIZE;
  useSongRamps(IT_RAMP_UP_FRAMES, IT_RAMP_DOWN_FRAMES);
  song->orderPosition = playableOrder(song, 0);
}

}  // namespace

void beginItSong(Song* song) {
  beginSongState(song);
}

void runItTick(Song* song) {
  collectItVoices();
  for (std::int32_t c = 0; c < song->channelCount; ++c) {
    ItChannel& channel = itPlayer.channels[c];
    channel.volumeDelta = 0;
    channel.panDelta = 0;
    channel.pitchFactor = 1.0;
  }
  if (song->tick == 0) {
    playRow(song);
  } else {
    for (std::int32_t c = 0; c < song->channelCount; ++c)
      runItEffects(song, c);
  }
  setTickLength(song);
  shapeItNotes(song);
  // The mixer (and the next tick's look at the voices) goes no further than the last voice that
  // sounds or belongs to a note.
  std::int32_t voices = IT_NOTES;
  while (voices > 0 && voicePool[voices - 1].sample == nullptr &&
         !itPlayer.notes[voices - 1].active)
    --voices;
  mixedVoiceCount = voices;
  song->tick += 1;
  if (song->tick >= song->speed + song->patternDelayTicks) {
    song->patternDelayTicks = 0;
    song->tick = 0;
  }
}

}  // namespace player
