// Conversion of float frames to 16-bit PCM.
#include <gtest/gtest.h>

#include <vector>

#include "player/audio_output.h"

namespace {

TEST(PcmClip, RoundsHalvesToEvenAndClamps) {
  const std::vector<float> source{1.5f,  2.5f, -0.5f,    40000.0f, -40000.0f, -1.5f,
                                  -2.5f, 0.5f, 32766.5f, 32767.5f, -32768.5f, -32769.0f};
  const std::vector<std::int16_t> expected{2,  2, 0,     32767, -32768, -2,
                                           -2, 0, 32766, 32767, -32768, -32768};
  std::vector<std::int16_t> destination(source.size() + 2, 99);
  player::clipToPcm(destination.data(), source.data(), 6);
  EXPECT_EQ(std::vector<std::int16_t>(destination.begin(), destination.end() - 2), expected);
  EXPECT_EQ(destination[12], 99);  // nothing past the frames
}

TEST(PcmClip, IgnoresEmptyCountsAndMissingBuffers) {
  const float source[2] = {5.0f, 6.0f};
  std::int16_t destination[2] = {7, 7};
  player::clipToPcm(destination, source, 0);
  player::clipToPcm(destination, source, -3);
  player::clipToPcm(nullptr, source, 1);
  player::clipToPcm(destination, nullptr, 1);
  EXPECT_EQ(destination[0], 7);
  EXPECT_EQ(destination[1], 7);
}

}  // namespace
