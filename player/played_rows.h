// The rows a song has played: one bit for every row of every order position the song can reach,
// which is how its natural end is recognised (the first row tick that comes back to a row already
// played). Clearing for a new round costs what the round marked, not the size of the song.
#pragma once

#include <cstdint>

#include "player/load/song.h"

namespace player {

constexpr std::int32_t PLAYED_ROWS_DIRTY_LIMIT = 1024;

struct PlayedRows {
  std::uint64_t* words;  // the bits; null before allocation
  std::int32_t wordCount;
  std::int32_t firstBit[ORDER_TABLE_SIZE];
  std::int32_t rows[ORDER_TABLE_SIZE];  // rows tracked per order position, 0: not reachable
  // Words marked since the last clear, while they fit; past the limit a clear wipes them all.
  std::int32_t dirty[PLAYED_ROWS_DIRTY_LIMIT];
  std::int32_t dirtyCount;  // PLAYED_ROWS_DIRTY_LIMIT + 1: too many to list
};

// Sizes the record for song: the order positions of its length (position 0 for a song of length
// 0), each with its pattern's rows (one row for a pattern of 0 rows). False when the bits cannot
// be allocated; the record then holds nothing.
bool allocatePlayedRows(PlayedRows& played, const Song* song);
void freePlayedRows(PlayedRows& played);

// Marks a row; true when it had been marked before. A row outside what the song can reach is
// never marked.
bool markPlayedRow(PlayedRows& played, std::int32_t order, std::int32_t row);

// True when the row is marked.
bool playedRow(const PlayedRows& played, std::int32_t order, std::int32_t row);

// Forgets every mark.
void clearPlayedRows(PlayedRows& played);

}  // namespace player
