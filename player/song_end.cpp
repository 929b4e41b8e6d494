#include "player/song_end.h"

#include <cstdlib>
#include <cstring>

#include "player/audio_output.h"
#include "player/load/effects.h"
#include "player/numeric.h"
#include "player/played_rows.h"
#include "player/replay/channel.h"
#include "player/replay/letter_effects.h"
#include "player/replay/song_position.h"

namespace player {
namespace {

constexpr std::uint32_t ROW_SLOTS = 4096;  // rows whose flow effects are kept decoded

// Everything that decides where the song goes and how long its rows last, as it stands when a
// row tick is due. No padding, so two records compare byte for byte.
struct Flow {
  std::int32_t order, row;
  std::int32_t nextOrder, nextRow;  // -1: none
  std::int32_t speed;
  std::int32_t framesPerTick;
  std::int32_t loopRow[MAX_CHANNELS];
  std::uint8_t loopCount[MAX_CHANNELS];  // 0..15
};
static_assert(sizeof(Flow) == sizeof(std::int32_t) * (6 + MAX_CHANNELS) + MAX_CHANNELS);

// The flow effects of one row, read from its cells once. The pattern loops do not depend on one
// another and are kept per channel, for the row step to apply to all channels at once. Jumps,
// breaks, speeds and delays do depend on channel order, but come down to a few values: where the
// row goes, the speed it leaves, and the delay counted in the speed of the moment.
struct RowFlow {
  std::uint32_t key;                     // (pattern << 16 | row) + 1; 0: an empty slot
  std::uint8_t loopTimes[MAX_CHANNELS];  // E6y with y of 1..15, 0 for none
  std::uint8_t loopStart[MAX_CHANNELS];  // 1 for E60
  bool counts, starts;                   // any of them
  std::int32_t nextRow;                  // from the last Bxx (0) or Dxx, -1: none
  std::int32_t jumpOrder;      // from a Bxx, within the song; -1: none (a Dxx goes to the next)
  std::int32_t speed;          // the last Fxx below 32, -1: none
  std::int32_t delayTimes;     // y of the last EEy, -1: none
  std::int32_t delaySpeed;     // the Fxx speed before that EEy, -1: the row's starting speed
  std::int32_t framesPerTick;  // from the last Fxx of 32 or more, 0: none
};

struct Search {
  const Song* song;
  std::int32_t channels;
  std::int32_t rate;
  RowFlow* rows;                                    // ROW_SLOTS of them, by the row's key
  PlayedRows known;                                 // the rows whose cells have been looked at
  PlayedRows plain;                                 // those of them without any flow effect
  std::int32_t orderRows[ORDER_TABLE_SIZE];         // patternRowsAt each order position
  const PatternCell* orderCells[ORDER_TABLE_SIZE];  // row 0 of its pattern, or null
};

// True for a row without any flow effect. Only the first visit of a row reads its cells: a row
// without flow effects is passed at once from then on.
bool plainRow(Search& search, const Flow& flow, const PatternCell* cells) {
  if (!markPlayedRow(search.known, flow.order, flow.row)) {
    bool any = false;
    for (std::int32_t c = 0; c < search.channels; ++c) {
      const std::uint8_t effect = cells[c].effect;
      any = any || effect == EFFECT_POSITION_JUMP || effect == EFFECT_PATTERN_BREAK ||
            effect == EFFECT_EXTENDED || effect == EFFECT_SPEED_TEMPO ||
            effect == EFFECT_SET_SPEED || effect == EFFECT_SET_TEMPO ||
            effect == EFFECT_BREAK_TO_ROW || effect == EFFECT_SPECIAL;
    }
    if (!any) markPlayedRow(search.plain, flow.order, flow.row);
  }
  return playedRow(search.plain, flow.order, flow.row);
}

bool loopRunning(const Flow& flow) {
  std::uint64_t words[MAX_CHANNELS / 8];
  std::memcpy(words, flow.loopCount, sizeof words);
  return (words[0] | words[1] | words[2] | words[3]) != 0;
}

bool sameFlow(const Flow& a, const Flow& b) {
  return a.order == b.order && a.row == b.row && std::memcmp(&a, &b, sizeof(Flow)) == 0;
}

const RowFlow& rowFlow(const Search& search, std::uint32_t pattern, std::int32_t row,
                       const PatternCell* cells) {
  const std::uint32_t key = (pattern << 16 | static_cast<std::uint32_t>(row)) + 1;
  RowFlow& slot = search.rows[(key * 2654435761u >> 20) % ROW_SLOTS];
  if (slot.key == key) return slot;
  slot = RowFlow{};
  slot.key = key;
  slot.nextRow = slot.jumpOrder = slot.speed = slot.delayTimes = slot.delaySpeed = -1;
  for (std::int32_t c = 0; c < search.channels; ++c) {
    std::uint8_t param = cells[c].param;
    std::uint8_t effect = cells[c].effect;
    // The letter effects of the flow as the XM ones of the same meaning.
    if (effect == EFFECT_SPECIAL &&
        (param >> 4 == SPECIAL_PATTERN_LOOP || param >> 4 == SPECIAL_PATTERN_DELAY)) {
      effect = EFFECT_EXTENDED;
      param = static_cast<std::uint8_t>(
          (param >> 4 == SPECIAL_PATTERN_LOOP ? EXTENDED_PATTERN_LOOP : EXTENDED_PATTERN_DELAY)
              << 4 |
          (param & 0x0F));
    }
    switch (effect) {
      case EFFECT_SET_SPEED:
        if (param != 0) slot.speed = param;
        break;
      case EFFECT_SET_TEMPO:
        if (param >= tempoFloor(search.song))
          slot.framesPerTick = framesPerTick(param, search.rate);
        break;
      case EFFECT_BREAK_TO_ROW:
        slot.nextRow = param;
        break;
      case EFFECT_POSITION_JUMP:
        slot.nextRow = 0;
        slot.jumpOrder = param < search.song->songLength ? param : 0;
        break;
      case EFFECT_PATTERN_BREAK: {
        const std::int32_t breakRow = (param >> 4) * 10 + (param & 0x0F);
        slot.nextRow = breakRow > 63 ? 0 : breakRow;
        break;
      }
      case EFFECT_EXTENDED:
        if (param >> 4 == EXTENDED_PATTERN_LOOP) {
          slot.loopTimes[c] = param & 0x0F;
          slot.loopStart[c] = slot.loopTimes[c] == 0 ? 1 : 0;
          slot.counts = slot.counts || slot.loopTimes[c] != 0;
          slot.starts = slot.starts || slot.loopTimes[c] == 0;
        } else if (param >> 4 == EXTENDED_PATTERN_DELAY) {
          slot.delayTimes = param & 0x0F;
          slot.delaySpeed = slot.speed;
        }
        break;
      case EFFECT_SPEED_TEMPO:
        if (param < 32) {
          slot.speed = param;
        } else {
          slot.framesPerTick = framesPerTick(param, search.rate);
        }
        break;
      default:
        break;
    }
  }
  return slot;
}

// Where the row goes, the speed and tempo it leaves; returns the pattern delay it asks for.
std::int32_t applyOrdered(const Search& search, Flow& flow, const RowFlow& effects) {
  if (effects.nextRow >= 0) {
    flow.nextRow = effects.nextRow;
    flow.nextOrder = effects.jumpOrder >= 0 ? effects.jumpOrder : flow.order + 1;
    if (flow.nextOrder >= search.song->songLength) flow.nextOrder = 0;
  }
  std::int32_t delay = 0;
  if (effects.delayTimes >= 0) {
    delay = wrapMul(effects.delayTimes, effects.delaySpeed >= 0 ? effects.delaySpeed : flow.speed);
  }
  if (effects.speed >= 0) flow.speed = effects.speed;
  if (effects.framesPerTick > 0) flow.framesPerTick = effects.framesPerTick;
  return delay;
}

// The pattern loops of a row: E60 marks the row as its channel's loop start; E6y counts the
// channel's repetitions and, while some remain, asks for a loop back (the last channel that does
// wins). Returns the row to loop back to, or -1.
std::int32_t applyLoops(Flow& flow, const RowFlow& loops) {
  // Whole-record passes without branches, which the compiler turns into vector operations.
  if (loops.starts) {
    for (std::int32_t c = 0; c < MAX_CHANNELS; ++c)
      flow.loopRow[c] = loops.loopStart[c] != 0 ? flow.row : flow.loopRow[c];
  }
  if (!loops.counts) return -1;
  for (std::int32_t c = 0; c < MAX_CHANNELS; ++c) {
    const std::uint8_t times = loops.loopTimes[c];
    const std::uint8_t count = flow.loopCount[c];
    flow.loopCount[c] =
        times == 0 ? count : (count == 0 ? times : static_cast<std::uint8_t>(count - 1));
  }
  for (std::int32_t c = MAX_CHANNELS - 1; c >= 0; --c) {
    if (loops.loopTimes[c] != 0 && flow.loopCount[c] != 0) return flow.loopRow[c];
  }
  return -1;
}

// Plays one row tick of the flow as the tick driver does: enters the row that is due, applies
// the row's effects and works out the row after it. Returns the ticks the row lasts.
std::int32_t playRow(Search& search, Flow& flow) {
  const Song* song = search.song;
  if (flow.nextOrder >= 0) flow.order = flow.nextOrder;
  if (flow.nextRow >= 0) flow.row = flow.nextRow;
  const std::int32_t rows = search.orderRows[flow.order];
  if (flow.row >= rows) flow.row = 0;

  flow.nextOrder = -1;
  flow.nextRow = -1;
  std::int32_t pendingLoopRow = -1;
  std::int32_t delay = 0;
  const PatternCell* cells = search.orderCells[flow.order];
  if (cells != nullptr) cells += static_cast<std::size_t>(flow.row) * search.channels;
  if (cells != nullptr && plainRow(search, flow, cells)) cells = nullptr;
  if (cells != nullptr) {
    const RowFlow& effects = rowFlow(search, song->orderTable[flow.order], flow.row, cells);
    delay = applyOrdered(search, flow, effects);
    if (effects.counts || effects.starts) pendingLoopRow = applyLoops(flow, effects);
  }

  if (flow.nextRow == -1) {
    if (pendingLoopRow >= 0) {
      flow.nextRow = pendingLoopRow;
    } else {
      flow.nextRow = flow.row + 1;
      if (flow.nextRow >= rows) {
        flow.nextOrder = flow.order + 1;
        if (flow.nextOrder >= song->songLength) {
          const bool valid = song->restartPosition >= 0 && song->restartPosition < song->songLength;
          flow.nextOrder = valid ? song->restartPosition : 0;
        }
        flow.nextRow = 0;
      }
    }
  }
  // The tick counter wraps to 0 once it reaches speed plus delay; the row tick itself always runs.
  const std::int32_t ticks = wrapAdd(flow.speed, delay);
  return ticks > 1 ? ticks : 1;
}

}  // namespace

std::int64_t songEndFrame(const Song* song, std::int32_t rounds, std::int64_t maxFrames,
                          std::int32_t rate) {
  PlayedRows played{};
  Search search{};
  search.song = song;
  search.channels = song->channelCount < 0 ? 0 : song->channelCount;
  search.rate = rate;
  search.rows = static_cast<RowFlow*>(std::calloc(ROW_SLOTS, sizeof(RowFlow)));
  const auto release = [&] {
    freePlayedRows(played);
    freePlayedRows(search.known);
    freePlayedRows(search.plain);
    std::free(search.rows);
  };
  if (!allocatePlayedRows(played, song) || !allocatePlayedRows(search.known, song) ||
      !allocatePlayedRows(search.plain, song) || search.rows == nullptr) {
    release();
    return maxFrames;
  }
  if (search.channels > MAX_CHANNELS) search.channels = MAX_CHANNELS;
  for (std::int32_t order = 0; order < ORDER_TABLE_SIZE; ++order) {
    search.orderRows[order] = patternRowsAt(song, order);
    search.orderCells[order] = rowCellsAt(song, order, 0);
  }
  Flow flow{};
  flow.nextOrder = -1;
  flow.nextRow = -1;
  flow.speed = song->defaultSpeed;
  flow.framesPerTick = framesPerTick(song->defaultBpm, rate);

  std::int32_t roundsLeft = rounds < 1 ? 1 : rounds;
  std::int64_t frame = 0;
  std::int64_t end = maxFrames;
  // Brent's cycle search over the flow at row ticks: `saved` is the flow at row tick savedTick.
  // Once the flow comes back to it, the song repeats the same rows forever; if none of them is
  // reached with every loop count at 0, none can ever end it.
  Flow saved = flow;
  std::int64_t savedTick = 0, span = 1, tick = 0, lastFree = -1;
  bool cycleSeen = false;
  while (frame < maxFrames) {
    if (!cycleSeen && tick > savedTick) {
      if (sameFlow(flow, saved)) {
        if (lastFree < savedTick) break;
        cycleSeen = true;
      } else if (tick - savedTick == span) {
        saved = flow;
        savedTick = tick;
        span *= 2;
      }
    }
    const bool inLoop = loopRunning(flow);
    if (!inLoop) lastFree = tick;
    const std::int32_t ticks = playRow(search, flow);
    if (markPlayedRow(played, flow.order, flow.row) && !inLoop) {
      if (--roundsLeft <= 0) {
        end = frame;
        break;
      }
      // A new round: only what it plays from here on counts as played.
      clearPlayedRows(played);
      markPlayedRow(played, flow.order, flow.row);
    }
    frame += static_cast<std::int64_t>(ticks) * (flow.framesPerTick > 0 ? flow.framesPerTick : 1);
    ++tick;
  }
  release();
  return end;
}

}  // namespace player
