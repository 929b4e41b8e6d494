#include "player/song_end.h"

#include <cstdlib>
#include <cstring>

#include "player/replay/channel.h"
#include "player/replay/song_position.h"
#include "player/replay/tick_driver.h"

namespace player {

SongEndWatch songEndWatch{};

namespace {

bool loopRunning(const Song* song) {
  const std::int32_t channels =
      song->channelCount < MAX_CHANNELS ? song->channelCount : MAX_CHANNELS;
  for (std::int32_t c = 0; c < channels; ++c) {
    if (channelTable[c].loopCount != 0) return true;
  }
  return false;
}

// Marks the row the song has just entered; true when it had been played before.
bool markPlayed(SongEndWatch& watch, std::int32_t order, std::int32_t row) {
  if (order < 0 || order >= ORDER_TABLE_SIZE || row < 0 || row >= watch.orderRows[order]) {
    return false;
  }
  const std::int32_t bit = watch.orderFirstBit[order] + row;
  const auto mask = static_cast<std::uint8_t>(1u << (bit & 7));
  const bool seen = (watch.played[bit >> 3] & mask) != 0;
  watch.played[bit >> 3] |= mask;
  return seen;
}

void watchedTick(Song* song) {
  SongEndWatch& watch = songEndWatch;
  const bool rowTick = song->tick == 0;
  // Whether a loop runs is decided as the row is reached: the last pass over a loop's last row
  // counts the loop down to 0, and that row still belongs to the loop.
  const bool inLoop = rowTick && loopRunning(song);
  const std::int64_t tickFrame = watch.nextTickFrame;
  watch.songTick(song);
  watch.nextTickFrame += song->samplesPerTick;
  if (!rowTick || watch.endFrame >= 0) return;
  if (!markPlayed(watch, song->orderPosition, song->row) || inLoop) return;
  watch.roundsLeft -= 1;
  if (watch.roundsLeft <= 0) {
    watch.endFrame = tickFrame;
    return;
  }
  // A new round: only what it plays from here on counts as played.
  std::memset(watch.played, 0, static_cast<std::size_t>(watch.playedBytes));
  markPlayed(watch, song->orderPosition, song->row);
}

}  // namespace

bool watchSongEnd(Song* song, std::int32_t rounds) {
  unwatchSongEnd();
  SongEndWatch& watch = songEndWatch;
  // Order positions a song reaches: those of its length, and 0 for a song of length 0.
  const std::int32_t orders =
      song->songLength < 1
          ? 1
          : (song->songLength > ORDER_TABLE_SIZE ? ORDER_TABLE_SIZE : song->songLength);
  std::int32_t bits = 0;
  for (std::int32_t order = 0; order < ORDER_TABLE_SIZE; ++order) {
    const std::int32_t rows = patternRowsAt(song, order);
    // A pattern of 0 rows is still entered once, at row 0.
    watch.orderRows[order] = order < orders ? (rows < 1 ? 1 : rows) : 0;
    watch.orderFirstBit[order] = bits;
    bits += watch.orderRows[order];
  }
  watch.playedBytes = bits / 8 + 1;
  watch.played =
      static_cast<std::uint8_t*>(std::calloc(static_cast<std::size_t>(watch.playedBytes), 1));
  if (watch.played == nullptr) return false;
  watch.song = song;
  watch.songTick = song->tickHandler != nullptr ? song->tickHandler : runTick;
  watch.roundsLeft = rounds < 1 ? 1 : rounds;
  watch.nextTickFrame = 0;
  watch.endFrame = -1;
  song->tickHandler = watchedTick;
  return true;
}

void unwatchSongEnd() {
  SongEndWatch& watch = songEndWatch;
  if (watch.song != nullptr) watch.song->tickHandler = watch.songTick;
  std::free(watch.played);
  watch.played = nullptr;
  watch.song = nullptr;
}

}  // namespace player
