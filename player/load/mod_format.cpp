#include "player/load/mod_format.h"

#include <algorithm>
#include <cstring>

#include "player/load/effects.h"
#include "player/load/xm_format.h"
#include "player/replay/pitch.h"

namespace player {
namespace {

constexpr std::int32_t NOTES = 96;
constexpr std::int32_t SOUNDTRACKER_SAMPLES = 15;
constexpr std::int32_t MOD_SAMPLES = 31;
constexpr std::uint32_t MAX_STORED_PERIOD = 0x0FFF;
// Periods a 15-sample file may hold: the Amiga's three octaves with room for finetune and for
// the trackers that went an octave beyond.
constexpr std::uint32_t SOUNDTRACKER_PERIOD_LOW = 100;
constexpr std::uint32_t SOUNDTRACKER_PERIOD_HIGH = 1000;
// The notes whose periods lie within the Amiga's three octaves (856 down to 113): C-3 to B-5.
constexpr std::uint8_t AMIGA_LOWEST_NOTE = 37;
constexpr std::uint8_t AMIGA_HIGHEST_NOTE = 72;
constexpr std::uint8_t PROTRACKER_RESTART_BYTE = 127;

std::uint32_t bigEndian16(const std::uint8_t* bytes) {
  return static_cast<std::uint32_t>(bytes[0] << 8 | bytes[1]);
}

bool isDigit(std::uint8_t c) {
  return c >= '0' && c <= '9';
}

// A text field that holds printable characters up to its first NUL.
bool printableText(const std::uint8_t* text, std::int32_t bytes) {
  for (std::int32_t i = 0; i < bytes && text[i] != 0; ++i) {
    if (text[i] < 0x20 || text[i] == 0x7F) return false;
  }
  return true;
}

std::uint8_t highestOrder(const std::uint8_t* orders, std::int32_t count) {
  std::uint8_t highest = 0;
  for (std::int32_t i = 0; i < count; ++i)
    highest = orders[i] > highest ? orders[i] : highest;
  return highest;
}

// Soundtracker's layout: 15 sample headers, the order list at 470, patterns from 600, and
// nothing in them that a 15-sample tracker could not have written.
bool isSoundtracker(const std::uint8_t* bytes, std::uint64_t count) {
  if (count < SOUNDTRACKER_HEADER_BYTES + MOD_ROWS * 4 * MOD_CELL_BYTES) return false;
  if (!printableText(bytes, MOD_TITLE_BYTES)) return false;
  for (std::int32_t s = 0; s < SOUNDTRACKER_SAMPLES; ++s) {
    const std::uint8_t* header = bytes + MOD_TITLE_BYTES + s * MOD_SAMPLE_HEADER_BYTES;
    if (!printableText(header, MOD_SAMPLE_NAME_BYTES)) return false;
    if (header[24] > 15 || header[25] > 64) return false;
  }
  const std::uint8_t* orderInfo = bytes + MOD_TITLE_BYTES + SOUNDTRACKER_SAMPLES * 30;
  const std::int32_t songLength = orderInfo[0];
  if (songLength == 0 || songLength > MOD_ORDER_SLOTS) return false;
  const std::uint8_t* orders = orderInfo + 2;
  for (std::int32_t i = 0; i < MOD_ORDER_SLOTS; ++i) {
    if (orders[i] >= 64) return false;
  }
  const std::int32_t patterns = highestOrder(orders, songLength) + 1;
  const std::uint64_t patternBytes = std::uint64_t{MOD_ROWS} * 4 * MOD_CELL_BYTES;
  if (SOUNDTRACKER_HEADER_BYTES + patterns * patternBytes > count) return false;
  const std::uint8_t* cell = bytes + SOUNDTRACKER_HEADER_BYTES;
  for (std::uint64_t k = 0; k < patterns * patternBytes / MOD_CELL_BYTES; ++k, cell += 4) {
    if ((cell[0] & 0xF0) != 0) return false;  // a sample number above 15
    const std::uint32_t period = bigEndian16(cell) & MAX_STORED_PERIOD;
    if (period != 0 && (period < SOUNDTRACKER_PERIOD_LOW || period > SOUNDTRACKER_PERIOD_HIGH)) {
      return false;
    }
  }
  return true;
}

// The effect as the replayer plays it. ProTracker has no memory for 1xx, 2xx, Axy, E1x, E2x,
// EAx and EBx: with a zero parameter they do nothing, so they become no effect, and 500 and 600
// only go on with the portamento and the vibrato. EC0 cuts at once, ED0 plays the note at once,
// the volume is at most 64, and E0x (the Amiga's filter), EFx (inverted loops) and F00 do
// nothing. The PC trackers' 8xx and E8x pan from the left, as the player's pan counts the
// other way.
void translateEffect(std::uint8_t effect, std::uint8_t param, PatternCell& cell) {
  cell.effect = effect;
  cell.param = param;
  const std::uint8_t x = param >> 4;
  const std::uint8_t y = param & 0x0F;
  switch (effect) {
    case EFFECT_PORTAMENTO_UP:
    case EFFECT_PORTAMENTO_DOWN:
    case EFFECT_VOLUME_SLIDE:
      if (param == 0) cell.effect = EFFECT_NONE;
      break;
    case EFFECT_TONE_PORTAMENTO_VOLUME:
      if (param == 0) cell.effect = EFFECT_TONE_PORTAMENTO;
      break;
    case EFFECT_VIBRATO_VOLUME:
      if (param == 0) cell.effect = EFFECT_VIBRATO;
      break;
    case EFFECT_SET_VOLUME:
      if (param > 64) cell.param = 64;
      break;
    case EFFECT_SPEED_TEMPO:
      if (param == 0) cell.effect = EFFECT_NONE;
      break;
    case EFFECT_SET_PANNING:  // the PC trackers' 8xx, 0 left to FF right
      cell.param = playerPan(param);
      break;
    case EFFECT_EXTENDED:
      if ((x == EXTENDED_FINE_PORTAMENTO_UP || x == EXTENDED_FINE_PORTAMENTO_DOWN ||
           x == EXTENDED_FINE_VOLUME_UP || x == EXTENDED_FINE_VOLUME_DOWN) &&
          y == 0) {
        cell.effect = EFFECT_NONE;
      } else if (x == EXTENDED_NOTE_CUT && y == 0) {
        cell.effect = EFFECT_SET_VOLUME;
        cell.param = 0;
      } else if ((x == EXTENDED_NOTE_DELAY && y == 0) || x == 0x0 || x == 0xF) {
        cell.effect = EFFECT_NONE;
      } else if (x == EXTENDED_SET_PANNING) {  // the PC trackers' E8x, 0 left to F right
        cell.effect = EFFECT_SET_PANNING;
        cell.param = playerPan(y * 17u);
      }
      break;
    default:
      break;
  }
  if (cell.effect == EFFECT_NONE) cell.param = 0;
}

}  // namespace

std::int32_t modTagChannels(const std::uint8_t* tag, bool& pairedPatterns) {
  pairedPatterns = false;
  const auto is = [tag](const char* text) { return std::memcmp(tag, text, 4) == 0; };
  if (is("M.K.") || is("M!K!") || is("M&K!") || is("M&K&") || is("FLT4") || is("N.T.")) return 4;
  if (is("FLT8")) {
    pairedPatterns = true;
    return 8;
  }
  if (is("CD81") || is("OKTA") || is("OCTA")) return 8;
  // xCHN: 1 to 9 channels; xxCH and xxCN: 10 to 32.
  if (isDigit(tag[0]) && tag[1] == 'C' && tag[2] == 'H' && tag[3] == 'N' && tag[0] != '0') {
    return tag[0] - '0';
  }
  if (isDigit(tag[0]) && isDigit(tag[1]) && tag[2] == 'C' && (tag[3] == 'H' || tag[3] == 'N')) {
    const std::int32_t channels = (tag[0] - '0') * 10 + (tag[1] - '0');
    return channels >= 10 && channels <= SONG_CHANNEL_SLOTS ? channels : 0;
  }
  return 0;
}

bool isMod(const std::uint8_t* bytes, std::uint64_t count) {
  bool paired = false;
  if (count >= MOD_HEADER_BYTES && modTagChannels(bytes + MOD_TAG_OFFSET, paired) > 0) return true;
  return isSoundtracker(bytes, count);
}

void readModLayout(StreamHandle* handle, ModLayout& layout) {
  layout = ModLayout{};
  std::uint8_t header[MOD_HEADER_BYTES] = {};
  seek(handle, 0, 0);
  read(header, MOD_HEADER_BYTES, handle);
  const std::int32_t tagChannels = modTagChannels(header + MOD_TAG_OFFSET, layout.pairedPatterns);
  layout.samples = tagChannels > 0 ? MOD_SAMPLES : SOUNDTRACKER_SAMPLES;
  layout.channels = tagChannels > 0 ? tagChannels : 4;
  if (tagChannels > 0) std::memcpy(layout.tag, header + MOD_TAG_OFFSET, 4);
  layout.headerBytes = tagChannels > 0 ? MOD_HEADER_BYTES : SOUNDTRACKER_HEADER_BYTES;
  for (std::int32_t s = 0; s < layout.samples; ++s) {
    const std::uint8_t* stored = header + MOD_TITLE_BYTES + s * MOD_SAMPLE_HEADER_BYTES;
    ModSampleHeader& sample = layout.sampleHeaders[s];
    sample.length = bigEndian16(stored + 22) * 2;
    sample.finetune = stored[24] & 0x0F;
    sample.volume = stored[25];
    sample.loopStart = bigEndian16(stored + 26) * 2;
    sample.loopLength = bigEndian16(stored + 28) * 2;
  }
  const std::uint8_t* orderInfo = header + MOD_TITLE_BYTES + layout.samples * 30;
  layout.songLength = orderInfo[0] > MOD_ORDER_SLOTS ? MOD_ORDER_SLOTS : orderInfo[0];
  layout.restartByte = orderInfo[1];
  std::memcpy(layout.orders, orderInfo + 2, MOD_ORDER_SLOTS);

  const std::int32_t storedChannels = layout.pairedPatterns ? 4 : layout.channels;
  const std::int32_t storedBytes = MOD_ROWS * storedChannels * MOD_CELL_BYTES;
  layout.patternBytes = layout.pairedPatterns ? 2 * storedBytes : storedBytes;
  const auto patternsFor = [&](std::int32_t orders) {
    const std::int32_t highest = highestOrder(layout.orders, orders);
    return layout.pairedPatterns ? highest / 2 + 1 : highest + 1;
  };
  layout.patterns = patternsFor(MOD_ORDER_SLOTS);
  const std::int64_t fileBytes = handle->length;
  if (layout.headerBytes + std::int64_t{layout.patterns} * layout.patternBytes > fileBytes) {
    layout.patterns = patternsFor(layout.songLength);
  }
  if (layout.pairedPatterns) {
    for (std::uint8_t& order : layout.orders)
      order = static_cast<std::uint8_t>(order / 2);
  }
}

std::int64_t modSampleDataOffset(const ModLayout& layout) {
  return layout.headerBytes + std::int64_t{layout.patterns} * layout.patternBytes;
}

bool amigaNote(std::uint8_t note) {
  return note >= AMIGA_LOWEST_NOTE && note <= AMIGA_HIGHEST_NOTE;
}

const char* modTrackerName(const ModLayout& layout, bool amigaNotes) {
  const auto is = [&](const char* text) { return std::memcmp(layout.tag, text, 4) == 0; };
  if (layout.samples == SOUNDTRACKER_SAMPLES) return "Soundtracker (15 samples)";
  if (is("M.K.") || is("M!K!")) {
    if (!amigaNotes) return "FastTracker (ProTracker layout)";
    return layout.restartByte == PROTRACKER_RESTART_BYTE ? "ProTracker"
                                                         : "NoiseTracker or compatible";
  }
  if (is("M&K!") || is("M&K&") || is("N.T.")) return "NoiseTracker";
  if (is("FLT4") || is("FLT8")) return "StarTrekker";
  if (is("CD81")) return "Octalyser";
  if (is("OKTA")) return "Oktalyzer";
  if (is("OCTA")) return "OctaMED";
  if (layout.tag[2] == 'C' && layout.tag[3] == 'N') return "TakeTracker";
  return "FastTracker";
}

std::uint8_t modPeriodNote(std::uint32_t period) {
  if (period == 0) return 0;
  struct Table {
    std::int32_t periods[NOTES];
  };
  static const Table table = [] {
    Table built{};
    for (std::int32_t n = 0; n < NOTES; ++n)
      built.periods[n] = protrackerPeriod(static_cast<std::uint8_t>(n), 0);
    return built;
  }();
  // Periods fall as notes rise; the player's periods are four times the file's. The nearest
  // period wins, the lower note of two as near.
  const std::int64_t wanted = std::int64_t{period} * 4;
  const std::int32_t* const first = table.periods;
  const std::int32_t* const below = std::lower_bound(
      first, first + NOTES, wanted, [](std::int32_t p, std::int64_t w) { return p > w; });
  auto best = static_cast<std::int32_t>(below - first);  // the first period at or below
  if (best == NOTES ||
      (best > 0 && table.periods[best - 1] - wanted <= wanted - table.periods[best])) {
    --best;
  }
  return static_cast<std::uint8_t>(best + 1);
}

void decodeModCell(const std::uint8_t* bytes, PatternCell& cell) {
  cell = PatternCell{};
  cell.note = modPeriodNote(bigEndian16(bytes) & MAX_STORED_PERIOD);
  cell.instrument = static_cast<std::uint8_t>((bytes[0] & 0xF0) | bytes[2] >> 4);
  translateEffect(bytes[2] & 0x0F, bytes[3], cell);
  // A note delay without a note delays nothing.
  if (cell.note == 0 && cell.effect == EFFECT_EXTENDED && cell.param >> 4 == EXTENDED_NOTE_DELAY) {
    cell.effect = EFFECT_NONE;
    cell.param = 0;
  }
}

}  // namespace player
