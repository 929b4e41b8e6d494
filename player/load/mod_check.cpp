// The MOD check: its counts, and what a file cut short lacks of its patterns and sample data.
#include "player/load/format_checks.h"
#include "player/load/mod_format.h"
#include "player/load/xm_format.h"

namespace player {

void checkMod(StreamHandle* handle, ModuleCheck& check) {
  ModLayout layout;
  readModLayout(handle, layout);
  check.channelCount = layout.channels;
  check.patternCount = layout.patterns;
  check.stored = {static_cast<std::uint16_t>(layout.songLength),
                  layout.restartByte,
                  static_cast<std::uint16_t>(layout.channels),
                  static_cast<std::uint16_t>(layout.samples),
                  6,
                  125};

  ModuleDamage& damage = check.damage;
  const std::int64_t fileBytes = handle->length;
  bool played[256] = {};
  for (std::int32_t i = 0; i < layout.songLength; ++i)
    played[layout.orders[i]] = true;
  seekTo(handle, layout.headerBytes);
  for (std::int32_t p = 0; p < layout.patterns; ++p) {
    const std::int64_t end = layout.headerBytes + std::int64_t{p + 1} * layout.patternBytes;
    if (end > fileBytes) ++damage.patternsMissing;
    bool notes = false;
    for (std::int32_t k = 0; k < layout.patternBytes / MOD_CELL_BYTES && !streamAtEnd(handle);
         ++k) {
      std::uint8_t stored[MOD_CELL_BYTES] = {};
      read(stored, MOD_CELL_BYTES, handle);
      PatternCell cell{};
      decodeModCell(stored, cell);
      notes = notes || holdsNote(cell);
    }
    if (notes && played[p]) ++damage.patternsWithNotes;
  }
  std::int64_t data = modSampleDataOffset(layout);
  for (std::int32_t s = 0; s < layout.samples; ++s) {
    const std::int64_t length = layout.sampleHeaders[s].length;
    const std::int64_t held = fileBytes > data ? fileBytes - data : 0;
    if (length > held) ++damage.samplesMissing;
    if (length > 0 && held > 0) ++damage.samplesWithData;
    data += length;
  }
  damage.patterns = static_cast<std::uint32_t>(layout.patterns);
  damage.instruments = static_cast<std::uint32_t>(layout.samples);
  noteEnd(damage, fileBytes, layout.headerBytes > fileBytes);
}

}  // namespace player
