#include "player/replay/it_tables.h"

namespace player {
namespace {

// A quarter of the fine sine wave; the rest mirrors it.
constexpr std::int8_t SINE_QUARTER[65] = {
    0,  2,  3,  5,  6,  8,  9,  11, 12, 14, 16, 17, 19, 20, 22, 23, 24, 26, 27, 29, 30, 32,
    33, 34, 36, 37, 38, 39, 41, 42, 43, 44, 45, 46, 47, 48, 49, 50, 51, 52, 53, 54, 55, 56,
    56, 57, 58, 59, 59, 60, 60, 61, 61, 62, 62, 62, 63, 63, 63, 64, 64, 64, 64, 64, 64};

std::int32_t sine(std::int32_t position) {
  const std::int32_t p = position & 127;
  const std::int32_t magnitude = SINE_QUARTER[p <= 64 ? p : 128 - p];
  return position < 128 ? magnitude : -magnitude;
}

}  // namespace

const std::uint8_t IT_COLUMN_PORTAMENTO[10] = {0, 1, 4, 8, 16, 32, 64, 96, 128, 255};

std::int32_t nextRandom(std::uint32_t& state) {
  state = state * 1103515245u + 12345u;
  return static_cast<std::int32_t>((state >> 16) & 0x7FFF);
}

std::int32_t itWave(std::int32_t waveform, std::int32_t position, std::uint32_t& random) {
  position &= IT_WAVE_STEPS - 1;
  switch (waveform & 3) {
    case 1:  // 64 down to -64 over the turn, in steps of half a unit
      return 64 - ((position + 1) >> 1);
    case 2:
      return position < 128 ? 64 : 0;
    case 3:
      return (nextRandom(random) & 127) - 64;
    default:
      return sine(position);
  }
}

std::int32_t retriggerVolume(std::int32_t volume, std::int32_t change) {
  switch (change) {
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
      volume -= 1 << (change - 1);
      break;
    case 6:
      volume = volume * 2 / 3;
      break;
    case 7:
      volume /= 2;
      break;
    case 9:
    case 10:
    case 11:
    case 12:
    case 13:
      volume += 1 << (change - 9);
      break;
    case 14:
      volume = volume * 3 / 2;
      break;
    case 15:
      volume *= 2;
      break;
    default:
      break;
  }
  return volume < 0 ? 0 : (volume > 64 ? 64 : volume);
}

}  // namespace player
