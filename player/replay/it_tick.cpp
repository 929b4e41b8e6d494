#include <cstring>

#include "player/engine.h"
#include "player/load/letter_effects.h"
#include "player/replay/it_effects.h"
#include "player/replay/it_notes.h"
#include "player/replay/it_output.h"
#include "player/replay/it_player.h"
#include "player/replay/song_flow.h"
#include "player/replay/song_position.h"

namespace player {

namespace {

constexpr std::uint32_t RANDOM_SEED = 0x1A2B3C4D;
// Volume ramps at 44,100 Hz: a short one into a note (the attack of a drum stays sharp) and a
// longer one out of it, as the peers ramp.
constexpr std::int32_t IT_RAMP_UP_FRAMES = 16;
constexpr std::int32_t IT_RAMP_DOWN_FRAMES = 42;

bool isNoteDelay(const PatternCell& cell) {
  return cell.effect == IT_S && (cell.param >> 4) == 0xD && (cell.param & 15) != 0;
}

// The row's cells with their effects as the tracker's letters.
PatternCell withLetter(const PatternCell& cell) {
  PatternCell out = cell;
  out.effect = letterOfEffect(cell.effect);
  return out;
}

void playRow(Engine& engine, Song* song) {
  if (song->nextOrder >= 0) song->orderPosition = song->nextOrder;
  if (song->nextRow >= 0) song->row = song->nextRow;
  if (song->row >= patternRowsAt(song, song->orderPosition)) song->row = 0;
  const PatternCell* cells = currentRowCells(song);
  for (std::int32_t c = 0; c < song->channelCount && cells != nullptr; ++c) {
    ItChannel& channel = engine.it.channels[c];
    const PatternCell cell = withLetter(cells[c]);
    channel.delayTick = -1;
    if (isNoteDelay(cell)) {
      channel.delayTick = cell.param & 15;
      channel.delayedCell = cell;
      channel.effect = 0;
      channel.volumeColumn = 0xFF;
      continue;
    }
    playItCell(engine, song, c, cell);
  }
  // Where the song goes next, its speed, tempo and delays: the flow every format shares.
  RowFlow effects;
  if (cells != nullptr) decodeRowFlow(song, cells, song->channelCount, effects);
  FlowStep step{song->orderPosition, song->row, -1, -1, song->speed, song->bpm, 0, 0};
  stepRow(song, patternRowsAt(song, song->orderPosition), cells != nullptr ? &effects : nullptr,
          engine.flowMemory, step);
  song->nextOrder = step.nextOrder;
  song->nextRow = step.nextRow;
  song->speed = step.speed;
  song->patternDelayTicks = step.delayTicks;
  engine.it.tempoSlide = step.tempoSlide;
  if (step.tempo != song->bpm) setBpm(engine, song, step.tempo);
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
  for (Voice& voice : engine.voicePool.voices)
    voice.sample = nullptr;
  engine.voicePool.mixedVoices = VOICE_POOL_SIZE;
  useSongRamps(engine.voicePool, IT_RAMP_UP_FRAMES, IT_RAMP_DOWN_FRAMES);
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
    // The row's tempo slides, all channels' together, as the flow reckons the row's length.
    if (engine.it.tempoSlide != 0) {
      const std::int32_t tempo = song->bpm + engine.it.tempoSlide;
      setBpm(engine, song, tempo < 32 ? 32 : (tempo > 255 ? 255 : tempo));
    }
  }
  shapeItNotes(engine, song);
  // The mixer (and the next tick's look at the voices) goes no further than the last voice that
  // sounds or belongs to a note.
  std::int32_t voices = IT_NOTES;
  while (voices > 0 && engine.voicePool.voices[voices - 1].sample == nullptr &&
         !engine.it.notes[voices - 1].active)
    --voices;
  engine.voicePool.mixedVoices = voices > 0 ? voices : 1;
  engine.it.noteBound = voices;
  song->tick += 1;
  if (song->tick >= song->speed + song->patternDelayTicks) {
    song->patternDelayTicks = 0;
    song->tick = 0;
  }
}

}  // namespace player
