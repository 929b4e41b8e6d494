#include "player/heard_block.h"

namespace player {

static_assert(std::atomic<std::uint64_t>::is_always_lock_free,
              "the heard block is read without locks on every target");

void publishHeardBlock(AudioOutput& output) {
  const BlockInfo& info = output.blockInfos[output.heardBlock];
  const std::uint64_t packed = std::uint64_t{info.order} | std::uint64_t{info.row} << 8 |
                               std::uint64_t{static_cast<std::uint32_t>(info.timeMs)} << 16 |
                               std::uint64_t{static_cast<std::uint16_t>(output.heardBlock)} << 48;
  output.heardInfo.store(packed, std::memory_order_release);
}

BlockInfo readHeardBlock(const AudioOutput& output) {
  const std::uint64_t packed = output.heardInfo.load(std::memory_order_acquire);
  BlockInfo info;
  info.order = static_cast<std::uint8_t>(packed);
  info.row = static_cast<std::uint8_t>(packed >> 8);
  info.timeMs = static_cast<std::int32_t>(static_cast<std::uint32_t>(packed >> 16));
  return info;
}

}  // namespace player
