#include "app/scroller.h"

#include <cstring>

namespace app {

void startCredits(ScrollerState& state, const char* credits) {
  state.credits = credits;
  state.page = credits;
  state.scrollY = FRAME_HEIGHT;
}

void fillNoise(std::uint32_t* row0, std::ptrdiff_t rowStride, MersenneTwister& generator) {
  constexpr std::int32_t lastX = FRAME_WIDTH - 1;
  constexpr std::int32_t lastRow = FRAME_HEIGHT - 1;
  for (std::int32_t row = 0; row < FRAME_HEIGHT; ++row) {
    std::uint32_t* pixel = row0 + row * rowStride;
    if (row == 0 || row == lastRow) {
      for (std::int32_t x = 0; x < FRAME_WIDTH; ++x) pixel[x] = 0;
      continue;
    }
    pixel[0] = 0;
    for (std::int32_t x = 1; x < lastX; ++x) pixel[x] = noisePixel(Random(generator, 2));
    pixel[lastX] = 0;
  }
}

void scrollOnce(ScrollerState& state, std::int32_t blockHeight) {
  const std::int32_t old = state.scrollY;
  state.scrollY = old - 1;
  if (old != -blockHeight) return;
  state.page += std::strlen(state.page) + 1;
  if (*state.page == 0) state.page = state.credits;
  state.scrollY = FRAME_HEIGHT;
}

}  // namespace app
