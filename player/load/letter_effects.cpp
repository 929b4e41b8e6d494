#include "player/load/letter_effects.h"

#include "player/load/effects.h"

namespace player {
namespace {

constexpr std::uint8_t LETTER_COUNT = 26;
constexpr std::uint8_t S3M_PAN_RIGHT = 0x80;
constexpr std::uint8_t S3M_PAN_SURROUND = 0xA4;
constexpr std::uint8_t CENTRE = 128;

// The player's effect for each letter, A to Z; the parameter goes with it unchanged.
constexpr std::uint8_t LETTER_EFFECTS[LETTER_COUNT] = {
    EFFECT_SET_SPEED,                    // A
    EFFECT_POSITION_JUMP,                // B
    EFFECT_BREAK_TO_ROW,                 // C
    EFFECT_VOLUME_SLIDE_FINE,            // D
    EFFECT_PORTAMENTO_DOWN_FINE,         // E
    EFFECT_PORTAMENTO_UP_FINE,           // F
    EFFECT_TONE_PORTAMENTO,              // G
    EFFECT_VIBRATO_LETTER,               // H
    EFFECT_TREMOR_ON_OFF,                // I
    EFFECT_ARPEGGIO_MEMORY,              // J
    EFFECT_VIBRATO_VOLUME_FINE,          // K
    EFFECT_TONE_PORTAMENTO_VOLUME_FINE,  // L
    EFFECT_CHANNEL_VOLUME,               // M
    EFFECT_CHANNEL_VOLUME_SLIDE,         // N
    EFFECT_SAMPLE_OFFSET,                // O
    EFFECT_PANNING_SLIDE_FINE,           // P
    EFFECT_RETRIGGER_VOLUME,             // Q
    EFFECT_TREMOLO_MEMORY,               // R
    EFFECT_SPECIAL,                      // S
    EFFECT_SET_TEMPO,                    // T
    EFFECT_FINE_VIBRATO,                 // U
    EFFECT_GLOBAL_VOLUME,                // V
    EFFECT_GLOBAL_VOLUME_SLIDE_FINE,     // W
    EFFECT_SET_PANNING,                  // X
    EFFECT_PANBRELLO,                    // Y
    EFFECT_MIDI_MACRO,                   // Z
};

}  // namespace

void translateLetterEffect(std::uint8_t letter, std::uint8_t param, LetterDialect dialect,
                           PatternCell& cell) {
  cell.effect = EFFECT_NONE;
  cell.param = 0;
  if (letter == 0 || letter > LETTER_COUNT) return;
  cell.effect = LETTER_EFFECTS[letter - 1];
  cell.param = param;
  if (dialect != LetterDialect::S3M) return;
  if (cell.effect == EFFECT_BREAK_TO_ROW) {
    cell.param = static_cast<std::uint8_t>((param >> 4) * 10 + (param & 0x0F));
  } else if (cell.effect == EFFECT_SET_PANNING) {
    if (param == S3M_PAN_SURROUND) {
      cell.param = CENTRE;
    } else if (param <= S3M_PAN_RIGHT) {
      cell.param = playerPan(param == S3M_PAN_RIGHT ? 255u : param * 2u);
    } else {
      cell.effect = EFFECT_NONE;
      cell.param = 0;
    }
  }
}

std::uint8_t letterOfEffect(std::uint8_t effect) {
  for (std::uint8_t k = 0; k < LETTER_COUNT; ++k) {
    if (LETTER_EFFECTS[k] == effect) return static_cast<std::uint8_t>(k + 1);
  }
  return 0;
}

std::int32_t compactOrders(const std::uint8_t* stored, std::int32_t count,
                           std::uint8_t orderTable[ORDER_TABLE_SIZE],
                           std::uint8_t remap[ORDER_TABLE_SIZE]) {
  std::int32_t length = 0;
  bool ended = false;
  for (std::int32_t i = 0; i < ORDER_TABLE_SIZE; ++i) {
    remap[i] = static_cast<std::uint8_t>(length < ORDER_TABLE_SIZE ? length : 0);
    if (i >= count || ended) continue;
    if (stored[i] == ORDER_END) {
      ended = true;
    } else if (stored[i] != ORDER_SKIP && length < ORDER_TABLE_SIZE) {
      orderTable[length++] = stored[i];
    }
  }
  return length;
}

void remapPositionJumps(Song* song, const std::uint8_t remap[ORDER_TABLE_SIZE]) {
  if (song->patterns == nullptr || song->channelCount <= 0) return;
  for (std::int32_t p = 0; p < song->patternSlotCount; ++p) {
    const Pattern& pattern = song->patterns[p];
    if (pattern.cells == nullptr) continue;
    const std::int64_t cells = std::int64_t{pattern.rows} * song->channelCount;
    for (std::int64_t k = 0; k < cells; ++k) {
      PatternCell& cell = pattern.cells[k];
      if (cell.effect == EFFECT_POSITION_JUMP) cell.param = remap[cell.param];
    }
  }
}

}  // namespace player
