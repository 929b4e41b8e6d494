#include "player/load/it_cells.h"

#include "player/load/letter_effects.h"

namespace player {
namespace {

constexpr std::uint8_t IT_NOTE_OFF = 255;
constexpr std::uint8_t IT_NOTE_CUT = 254;

}  // namespace

PatternCell translateItCell(const ItCell& cell) {
  PatternCell out{};
  if ((cell.fields & IT_CELL_NOTE) != 0) {
    if (cell.note < KEYBOARD_NOTES) {
      out.note = static_cast<std::uint8_t>(cell.note + 1);
    } else if (cell.note == IT_NOTE_OFF) {
      out.note = KEY_OFF;
    } else if (cell.note == IT_NOTE_CUT) {
      out.note = NOTE_CUT;
    } else {
      out.note = NOTE_FADE;
    }
  }
  if ((cell.fields & IT_CELL_INSTRUMENT) != 0) out.instrument = cell.instrument;
  if ((cell.fields & IT_CELL_VOLUME) != 0 && cell.volume <= 212) {
    out.volumeColumn = static_cast<std::uint8_t>(cell.volume + 1);
  }
  if ((cell.fields & IT_CELL_EFFECT) != 0 && cell.effect != 0) {
    translateLetterEffect(cell.effect, cell.param, LetterDialect::IT, out);
  }
  return out;
}

}  // namespace player
