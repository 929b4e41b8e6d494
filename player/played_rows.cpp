#include "player/played_rows.h"

#include <cstdlib>
#include <cstring>

#include "player/replay/song_position.h"

namespace player {

bool allocatePlayedRows(PlayedRows& played, const Song* song) {
  played.words = nullptr;
  played.wordCount = 0;
  played.dirtyCount = 0;
  const std::int32_t orders =
      song->songLength < 1
          ? 1
          : (song->songLength > ORDER_TABLE_SIZE ? ORDER_TABLE_SIZE : song->songLength);
  std::int32_t bits = 0;
  for (std::int32_t order = 0; order < ORDER_TABLE_SIZE; ++order) {
    const std::int32_t rows = patternRowsAt(song, order);
    // A pattern of 0 rows is still entered once, at row 0.
    played.rows[order] = order < orders ? (rows < 1 ? 1 : rows) : 0;
    played.firstBit[order] = bits;
    bits += played.rows[order];
  }
  played.wordCount = bits / 64 + 1;
  played.words = static_cast<std::uint64_t*>(
      std::calloc(static_cast<std::size_t>(played.wordCount), sizeof(std::uint64_t)));
  if (played.words == nullptr) played.wordCount = 0;
  return played.words != nullptr;
}

void freePlayedRows(PlayedRows& played) {
  std::free(played.words);
  played.words = nullptr;
  played.wordCount = 0;
  played.dirtyCount = 0;
}

bool markPlayedRow(PlayedRows& played, std::int32_t order, std::int32_t row) {
  if (played.words == nullptr || order < 0 || order >= ORDER_TABLE_SIZE || row < 0 ||
      row >= played.rows[order]) {
    return false;
  }
  const std::int32_t bit = played.firstBit[order] + row;
  std::uint64_t& word = played.words[bit >> 6];
  const std::uint64_t mask = std::uint64_t{1} << (bit & 63);
  if ((word & mask) != 0) return true;
  if (word == 0 && played.dirtyCount <= PLAYED_ROWS_DIRTY_LIMIT) {
    if (played.dirtyCount < PLAYED_ROWS_DIRTY_LIMIT) played.dirty[played.dirtyCount] = bit >> 6;
    ++played.dirtyCount;
  }
  word |= mask;
  return false;
}

bool playedRow(const PlayedRows& played, std::int32_t order, std::int32_t row) {
  if (played.words == nullptr || order < 0 || order >= ORDER_TABLE_SIZE || row < 0 ||
      row >= played.rows[order]) {
    return false;
  }
  const std::int32_t bit = played.firstBit[order] + row;
  return (played.words[bit >> 6] >> (bit & 63) & 1) != 0;
}

void clearPlayedRows(PlayedRows& played) {
  if (played.words == nullptr) return;
  if (played.dirtyCount > PLAYED_ROWS_DIRTY_LIMIT) {
    std::memset(played.words, 0,
                static_cast<std::size_t>(played.wordCount) * sizeof(std::uint64_t));
  } else {
    for (std::int32_t k = 0; k < played.dirtyCount; ++k)
      played.words[played.dirty[k]] = 0;
  }
  played.dirtyCount = 0;
}

}  // namespace player
