#include "cli/seek_point.h"

#include "cli/tool_engine.h"
#include "player/audio_output.h"
#include "player/load/xm_loader.h"
#include "player/offline_render.h"

namespace cli {

std::int64_t blocksBefore(const player::ModuleImage* image, const SeekTarget& target,
                          std::int64_t endFrames) {
  // A song of its own: playing changes a song (a finetune effect rewrites its sample), and the
  // search must start from the song as loaded, as the player's restart does.
  player::Song* song = player::loadSong(image, nullptr);
  if (song == nullptr || !player::startOfflineRender(toolEngine, song, 1, player::OFFLINE_RATE)) {
    player::freeSong(song);
    return -1;
  }
  const std::int64_t blockFrames = player::offlineBlockFrames(toolEngine);
  const std::int64_t limit = endFrames >= 0 ? endFrames : player::MAX_NATURAL_FRAMES;
  std::int64_t blocks = -1;
  if (!target.toOrder) {
    const std::int64_t frame = target.ms * player::OFFLINE_RATE / 1000;
    if (frame < limit) blocks = frame / blockFrames;
  } else {
    for (std::int64_t block = 0; block * blockFrames < limit; ++block) {
      const std::int32_t written = toolEngine.output.writeBlock;
      player::renderNextBlock(toolEngine);
      if (toolEngine.output.blockInfos[written].order == target.order) {
        blocks = block;
        break;
      }
    }
  }
  player::stopOfflineRender(toolEngine);
  player::freeSong(song);
  return blocks;
}

}  // namespace cli
