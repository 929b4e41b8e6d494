#include "player/load/module_fault_text.h"

#include <vector>

#include "player/load/xm_format.h"

namespace player {
namespace {

// "2 of 9 patterns" (of: the count declared, 0 when not known), "1 sample"; none when nothing is
// missing.
void addPart(std::vector<std::string>& parts, std::uint32_t missing, std::uint32_t of,
             const char* noun) {
  if (missing == 0) return;
  std::string part = std::to_string(missing);
  if (of > 0) part += " of " + std::to_string(of);
  parts.push_back(part + " " + noun + ((of > 0 ? of : missing) == 1 ? "" : "s"));
}

}  // namespace

std::string moduleFaultText(const ModuleCheck& check) {
  static_assert(MAX_PATTERN_CELLS == 16777216, "the cell bound's text below");
  switch (check.fault) {
    case ModuleFault::NONE:
      return "";
    case ModuleFault::EMPTY:
      return "not a module (no bytes)";
    case ModuleFault::UNKNOWN_FORMAT:
      return "not a module (no XM, S3M or MOD signature, nor a 15-sample MOD's layout)";
    case ModuleFault::TOO_MANY_CHANNELS:
      return "has " + std::to_string(check.channelCount) + " channels (at most 32 are supported)";
    case ModuleFault::TOO_MANY_PATTERNS:
      return "declares " + std::to_string(check.patternCount) + " patterns (at most 256)";
    case ModuleFault::TOO_MANY_CELLS:
      return "the patterns need more than 16,777,216 cells";
    case ModuleFault::TOO_MANY_SAMPLES:
      return "instrument " + std::to_string(check.instrument) + " declares " +
             std::to_string(check.sampleCount) + " samples (at most 16)";
    case ModuleFault::NO_MEMORY:
      break;
  }
  return NOT_ENOUGH_MEMORY_TEXT;
}

std::string moduleDamageText(const ModuleDamage& damage) {
  if (!moduleDamaged(damage)) return "";
  const std::string text = "the file ends at byte " + std::to_string(damage.endsAt) +
                           ", before what its headers describe";
  if (nothingPlayableRemains(damage)) return text + ", and nothing playable remains";
  std::vector<std::string> parts;
  addPart(parts, damage.patternsMissing, damage.patterns, "pattern");
  addPart(parts, damage.instrumentsMissing, damage.instruments, "instrument");
  addPart(parts, damage.samplesMissing, 0, "sample");
  std::string list;
  for (std::size_t i = 0; i < parts.size(); ++i)
    list += (i == 0 ? "" : i + 1 == parts.size() ? " and " : ", ") + parts[i];
  return list.empty() ? text : text + "; missing or incomplete: " + list;
}

}  // namespace player
