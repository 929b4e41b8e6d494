#include "player/load/module_fault_text.h"

#include "player/load/xm_format.h"

namespace player {

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

}  // namespace player
