// The mixing thread: keeps the ring rendered behind the device's play position. It polls the
// position every 5 ms and renders every block the device has moved past since the last poll.
#include <cfenv>

#include "platform/thread.h"
#include "player/audio_output.h"
#include "player/heard_block.h"
#include "player/player.h"

namespace player {

namespace {

// The block the device is playing. The device counts bytes in 32 bits, which wrap after about
// 6 h 46 min at 44,100 Hz; the count is extended to 64 bits here, so the block index goes on
// without a jump. Polls come far more often than once per 2^32 bytes.
std::int32_t playingBlock(AudioOutput& output) {
  const std::uint32_t bytes = output.waveOut->position(output.device);
  if (bytes != output.lastDevicePosition) {
    output.devicePosition += static_cast<std::uint32_t>(bytes - output.lastDevicePosition);
    output.lastDevicePosition = bytes;
  }
  const std::uint64_t frame =
      output.devicePosition / 4 % static_cast<std::uint64_t>(output.ringFrames);
  return static_cast<std::int32_t>(frame / static_cast<std::uint64_t>(output.blockFrames));
}

}  // namespace

std::uint32_t mixThreadMain(void* context) {
  Engine& engine = *static_cast<Engine*>(context);
  AudioOutput& output = engine.output;
  // Rounding to nearest and no traps, whatever the thread was started with: rendering gives the
  // same bytes here as in the pre-rendering.
  std::fesetenv(FE_DFL_ENV);
  output.threadFinished = 0;
  const std::int32_t blocks = blockCount(output);
  while (output.stopRequested == 0) {
    const std::int32_t playing = playingBlock(output);
    // Always catches up completely, stop request or not.
    while (output.writeBlock != playing) {
      platform::suspensionPoint();
      output.rendering = 1;
      renderBlock(engine);
      output.heardBlock = output.heardBlock + 1 == blocks ? 0 : output.heardBlock + 1;
      output.heardBlocks.fetch_add(1, std::memory_order_relaxed);
      publishHeardBlock(output);
      output.rendering = 0;
    }
    platform::suspensionPoint();
    platform::sleepMs(5);
  }
  output.threadFinished = 1;
  return 0;
}

}  // namespace player
