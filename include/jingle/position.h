// Where a playing or rendering song stands.
#pragma once

#include <cstdint>

namespace jingle {

struct Position {
  std::int32_t order;   // order position (low 8 bits, as the engine records it)
  std::int32_t row;     // row in that order's pattern (low 8 bits)
  std::int32_t timeMs;  // milliseconds of the song up to this point
};

}  // namespace jingle
