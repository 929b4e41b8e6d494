#include "player/song_end.h"

#include <cstdlib>
#include <cstring>

#include "player/played_rows.h"
#include "player/replay/song_flow.h"
#include "player/replay/song_position.h"

namespace player {
namespace {

constexpr std::uint32_t ROW_SLOTS = 4096;  // rows whose flow effects are kept decoded

// Everything that decides where the song goes and how long its rows last, as it stands when a
// row tick is due. No padding, so two records compare byte for byte.
struct Flow {
  std::int32_t order, row;
  std::int32_t nextOrder, nextRow;  // -1: none
  std::int32_t speed, tempo;
  FlowMemory memory;
};
static_assert(sizeof(Flow) == sizeof(std::int32_t) * (6 + SONG_CHANNELS) + 2 * SONG_CHANNELS);

// A row's decoded flow effects, kept by the row's key.
struct RowSlot {
  std::uint32_t key;  // (pattern << 16 | row) + 1; 0: an empty slot
  RowFlow flow;
};

struct Search {
  const Song* song;
  std::int32_t channels;  // read for flow effects: the first SONG_CHANNELS
  std::int32_t stride;    // cells from one row to the next: every channel of the song
  std::int32_t rate;
  RowSlot* rows;                                    // ROW_SLOTS of them, by the row's key
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
    for (std::int32_t c = 0; c < search.channels; ++c)
      any = any || flowEffect(cells[c]);
    if (!any) markPlayedRow(search.plain, flow.order, flow.row);
  }
  return playedRow(search.plain, flow.order, flow.row);
}

bool sameFlow(const Flow& a, const Flow& b) {
  return a.order == b.order && a.row == b.row && std::memcmp(&a, &b, sizeof(Flow)) == 0;
}

const RowFlow& rowFlow(const Search& search, std::uint32_t pattern, std::int32_t row,
                       const PatternCell* cells) {
  const std::uint32_t key = (pattern << 16 | static_cast<std::uint32_t>(row)) + 1;
  RowSlot& slot = search.rows[(key * 2654435761u >> 20) % ROW_SLOTS];
  if (slot.key != key) {
    slot.key = key;
    decodeRowFlow(search.song, cells, search.channels, slot.flow);
  }
  return slot.flow;
}

// Plays one row tick of the flow as the tick driver does: enters the row that is due, applies
// the row's effects and works out the row after it. Returns the frames the row lasts.
std::int64_t playRow(Search& search, Flow& flow) {
  const Song* song = search.song;
  if (flow.nextOrder >= 0) flow.order = flow.nextOrder;
  if (flow.nextRow >= 0) flow.row = flow.nextRow;
  const std::int32_t rows = search.orderRows[flow.order];
  if (flow.row >= rows) flow.row = 0;

  const PatternCell* cells = search.orderCells[flow.order];
  if (cells != nullptr) cells += static_cast<std::size_t>(flow.row) * search.stride;
  if (cells != nullptr && plainRow(search, flow, cells)) cells = nullptr;
  const RowFlow* effects =
      cells != nullptr ? &rowFlow(search, song->orderTable[flow.order], flow.row, cells) : nullptr;
  FlowStep step{flow.order, flow.row, -1, -1, flow.speed, flow.tempo, 0, 0};
  stepRow(song, rows, effects, flow.memory, step);
  const std::int64_t frames = rowFrames(song, step, flow.tempo, search.rate);
  flow.nextOrder = step.nextOrder;
  flow.nextRow = step.nextRow;
  flow.speed = step.speed;
  flow.tempo = tempoAfterRow(step);
  return frames;
}

// What a walk over the song's flow looks for: its end after rounds times round, or the first
// row tick of a given row.
struct Goal {
  std::int32_t rounds;
  std::int32_t order, row;  // -1: the end
};

std::int64_t walkFlow(const Song* song, const Goal& goal, std::int64_t maxFrames,
                      std::int32_t rate) {
  const bool toEnd = goal.order < 0;
  PlayedRows played{};
  Search search{};
  search.song = song;
  search.channels = song->channelCount < 0 ? 0 : song->channelCount;
  search.stride = search.channels;
  search.rate = rate;
  search.rows = static_cast<RowSlot*>(std::calloc(ROW_SLOTS, sizeof(RowSlot)));
  const auto release = [&] {
    freePlayedRows(played);
    freePlayedRows(search.known);
    freePlayedRows(search.plain);
    std::free(search.rows);
  };
  if (!allocatePlayedRows(played, song) || !allocatePlayedRows(search.known, song) ||
      !allocatePlayedRows(search.plain, song) || search.rows == nullptr) {
    release();
    return toEnd ? maxFrames : -1;
  }
  if (search.channels > SONG_CHANNELS) search.channels = SONG_CHANNELS;
  for (std::int32_t order = 0; order < ORDER_TABLE_SIZE; ++order) {
    search.orderRows[order] = patternRowsAt(song, order);
    search.orderCells[order] = rowCellsAt(song, order, 0);
  }
  Flow flow{};
  flow.nextOrder = -1;
  flow.nextRow = -1;
  flow.speed = song->defaultSpeed;
  flow.tempo = song->defaultBpm > 0 ? song->defaultBpm : 1;

  std::int32_t roundsLeft = goal.rounds < 1 ? 1 : goal.rounds;
  std::int64_t frame = 0;
  std::int64_t end = toEnd ? maxFrames : -1;
  // Brent's cycle search over the flow at row ticks: `saved` is the flow at row tick savedTick.
  // Once the flow comes back to it, the song repeats the same rows forever; if none of them is
  // reached with every loop count at 0, none can ever end it.
  Flow saved = flow;
  std::int64_t savedTick = 0, span = 1, tick = 0, lastFree = -1;
  bool cycleSeen = false;
  while (frame < maxFrames) {
    if (!cycleSeen && tick > savedTick) {
      if (sameFlow(flow, saved)) {
        // A row not reached before the flow repeats is never reached.
        if (lastFree < savedTick || !toEnd) break;
        cycleSeen = true;
      } else if (tick - savedTick == span) {
        saved = flow;
        savedTick = tick;
        span *= 2;
      }
    }
    const bool inLoop = loopRunning(flow.memory);
    if (!inLoop) lastFree = tick;
    const std::int64_t frames = playRow(search, flow);
    if (!toEnd && flow.order == goal.order && flow.row == goal.row) {
      end = frame;
      break;
    }
    if (toEnd && markPlayedRow(played, flow.order, flow.row) && !inLoop) {
      if (--roundsLeft <= 0) {
        end = frame;
        break;
      }
      // A new round: only what it plays from here on counts as played.
      clearPlayedRows(played);
      markPlayedRow(played, flow.order, flow.row);
    }
    frame += frames;
    ++tick;
  }
  release();
  return end;
}

}  // namespace

std::int64_t songEndFrame(const Song* song, std::int32_t rounds, std::int64_t maxFrames,
                          std::int32_t rate) {
  return walkFlow(song, Goal{rounds, -1, -1}, maxFrames, rate);
}

std::int64_t songRowFrame(const Song* song, std::int32_t order, std::int32_t row,
                          std::int64_t maxFrames, std::int32_t rate) {
  if (order < 0 || row < 0) return -1;
  return walkFlow(song, Goal{1, order, row}, maxFrames, rate);
}

}  // namespace player
