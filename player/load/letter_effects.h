// The letter effects of S3M and IT (A to Z, stored as 1 to 26) in the player's numbering
// (effects.h), and their order lists with skip and end markers. Both formats share the letters;
// where one means something else by a letter's parameter, the dialect says which.
#pragma once

#include <cstdint>

#include "player/load/song.h"

namespace player {

enum class LetterDialect : std::uint8_t { S3M, IT };

// Sets the cell's effect and parameter for the stored letter (1 = A .. 26 = Z) and parameter.
// Parameters stay as stored, so that effect memories hold what the file holds, except where the
// dialect's parameter needs translating: S3M's Cxx counts the row in decimal digits, S3M's Xxx
// pans from 0 to 0x80 (0xA4 being surround, played centred). A letter the player does not know
// becomes EFFECT_NONE.
void translateLetterEffect(std::uint8_t letter, std::uint8_t param, LetterDialect dialect,
                           PatternCell& cell);

// The letter (1 = A .. 26 = Z) whose effect is the player's effect `effect`; 0 for an effect no
// letter translates into.
std::uint8_t letterOfEffect(std::uint8_t effect);

// Order-list markers: an order to pass over, and the end of the song.
constexpr std::uint8_t ORDER_SKIP = 254;
constexpr std::uint8_t ORDER_END = 255;

// The song's order table from the `count` stored orders: the skip markers left out, the list ended
// at the first end marker. remap gets, for every stored order position, the position in the table
// that playing from it reaches (the next order kept, or the song's length past the last). Returns
// the song length.
std::int32_t compactOrders(const std::uint8_t* stored, std::int32_t count,
                           std::uint8_t orderTable[ORDER_TABLE_SIZE],
                           std::uint8_t remap[ORDER_TABLE_SIZE]);

// Points every position jump of the song's patterns at the order it meant before the markers
// were left out.
void remapPositionJumps(Song* song, const std::uint8_t remap[ORDER_TABLE_SIZE]);

}  // namespace player
