#include "player/song_end.h"

#include <cstring>

#include "player/audio_output.h"
#include "player/numeric.h"
#include "player/played_rows.h"
#include "player/replay/channel.h"
#include "player/replay/song_position.h"

namespace player {
namespace {

constexpr std::uint8_t EFFECT_POSITION_JUMP = 11;
constexpr std::uint8_t EFFECT_PATTERN_BREAK = 13;
constexpr std::uint8_t EFFECT_EXTENDED = 14;
constexpr std::uint8_t EFFECT_SPEED = 15;
constexpr std::uint8_t EXTENDED_PATTERN_LOOP = 0x6;
constexpr std::uint8_t EXTENDED_PATTERN_DELAY = 0xE;

// Everything that decides where the song goes and how long its rows last, as it stands when a
// row tick is due. All 32-bit fields, so two records compare byte for byte.
struct Flow {
  std::int32_t order, row;
  std::int32_t nextOrder, nextRow;  // -1: none
  std::int32_t speed;
  std::int32_t framesPerTick;
  std::int32_t loopRow[MAX_CHANNELS];
  std::int32_t loopCount[MAX_CHANNELS];
};
static_assert(sizeof(Flow) == sizeof(std::int32_t) * (6 + 2 * MAX_CHANNELS));

struct Search {
  const Song* song;
  std::int32_t channels;
  std::int32_t rate;
};

bool loopRunning(const Search& search, const Flow& flow) {
  for (std::int32_t c = 0; c < search.channels; ++c) {
    if (flow.loopCount[c] != 0) return true;
  }
  return false;
}

bool sameFlow(const Flow& a, const Flow& b) {
  return a.order == b.order && a.row == b.row && std::memcmp(&a, &b, sizeof(Flow)) == 0;
}

// The flow part of a row's effects, channel by channel as the row processing takes them;
// returns the pattern delay the row asks for.
std::int32_t rowEffects(const Search& search, Flow& flow, const PatternCell* cells,
                        std::int32_t& pendingLoopRow) {
  const Song* song = search.song;
  std::int32_t delay = 0;
  bool jumpSeen = false;
  for (std::int32_t c = 0; c < search.channels; ++c) {
    const std::uint8_t param = cells[c].param;
    switch (cells[c].effect) {
      case EFFECT_POSITION_JUMP:
        flow.nextRow = 0;
        flow.nextOrder = param < song->songLength ? param : 0;
        jumpSeen = true;
        break;
      case EFFECT_PATTERN_BREAK: {
        const std::int32_t breakRow = (param >> 4) * 10 + (param & 0x0F);
        flow.nextRow = breakRow > 63 ? 0 : breakRow;
        if (!jumpSeen) flow.nextOrder = flow.order + 1;
        if (flow.nextOrder >= song->songLength) flow.nextOrder = 0;
        break;
      }
      case EFFECT_EXTENDED: {
        const std::uint8_t y = param & 0x0F;
        if (param >> 4 == EXTENDED_PATTERN_DELAY) delay = wrapMul(y, flow.speed);
        if (param >> 4 != EXTENDED_PATTERN_LOOP) break;
        if (y == 0) {
          flow.loopRow[c] = flow.row;
          break;
        }
        flow.loopCount[c] = flow.loopCount[c] == 0 ? y : flow.loopCount[c] - 1;
        if (flow.loopCount[c] != 0) pendingLoopRow = flow.loopRow[c];
        break;
      }
      case EFFECT_SPEED:
        if (param < 32) {
          flow.speed = param;
        } else {
          flow.framesPerTick = framesPerTick(param, search.rate);
        }
        break;
      default:
        break;
    }
  }
  return delay;
}

// Plays one row tick of the flow as the tick driver does: enters the row that is due, applies
// the row's effects and works out the row after it. Returns the ticks the row lasts.
std::int32_t playRow(const Search& search, Flow& flow) {
  const Song* song = search.song;
  if (flow.nextOrder >= 0) flow.order = flow.nextOrder;
  if (flow.nextRow >= 0) flow.row = flow.nextRow;
  const std::int32_t rows = patternRowsAt(song, flow.order);
  if (flow.row >= rows) flow.row = 0;

  flow.nextOrder = -1;
  flow.nextRow = -1;
  std::int32_t pendingLoopRow = -1;
  std::int32_t delay = 0;
  const PatternCell* cells = rowCellsAt(song, flow.order, flow.row);
  if (cells != nullptr) delay = rowEffects(search, flow, cells, pendingLoopRow);

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
  PlayedRows played;
  if (!allocatePlayedRows(played, song)) return maxFrames;
  Search search{song, song->channelCount < 0 ? 0 : song->channelCount, rate};
  if (search.channels > MAX_CHANNELS) search.channels = MAX_CHANNELS;
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
    const bool inLoop = loopRunning(search, flow);
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
  freePlayedRows(played);
  return end;
}

}  // namespace player
