// A player on the sound device: its own stream at the player's rate, through the engine's ring
// and mixing thread, started from where the player stands; moved by a seek with the device kept
// open; and, when stopped, the player back to pull rendering at what was heard.
#include "lib/api_guard.h"
#include "lib/module_record.h"
#include "lib/player_record.h"
#include "player/audio_output.h"
#include "player/block_status.h"
#include "player/player.h"

namespace jingle::internal {
namespace {

// The playback from frame (at the start of its block) on the engine's open device, the ring
// rendered and the mixing thread started. False, with the device still open, when memory runs
// out.
bool startPlayback(jingle_player& player, std::int64_t frame) {
  PlayerEngine& engine = *player.engine;
  if (!player::beginPlayback(engine, player.module->song)) return false;
  watchTicks(player);
  const std::int64_t blocks = frame / engine.output.blockFrames;
  for (std::int64_t block = 0; block < blocks; ++block) {
    engine.output.writeBlock = 0;
    player::skipBlock(engine);
  }
  player.deviceStart = blocks * engine.output.blockFrames;
  return player::startRing(engine);
}

// Closes the device and puts the player back to pull rendering at frame.
jingle_status backToPull(jingle_player& player, std::int64_t frame) {
  player::playModule(*player.engine, nullptr);  // resumes, stops the thread, closes the device
  player.onDevice = false;
  player.paused = false;
  player.engine->blockStatus.keep = false;
  if (!startPull(player) || !seekPull(player, frame, false)) return JINGLE_OUT_OF_MEMORY;
  return JINGLE_OK;
}

}  // namespace

jingle_position devicePosition(const jingle_player& player) {
  const player::BlockInfo heard = player::heardBlockInfo(*player.engine);
  const player::BlockStatus status = player::heardBlockStatus(*player.engine);
  jingle_position position{};
  position.frame = heardFrame(player);
  position.order = heard.order;
  // The full row when the status is of the same block: BlockInfo holds its low byte.
  position.row = (status.row & 0xFF) == heard.row ? status.row : heard.row;
  position.speed = status.speed;
  position.bpm = status.bpm;
  position.voices = status.voices;
  if (!player.paused) {
    position.peak_left = status.peakLeft;
    position.peak_right = status.peakRight;
  }
  return position;
}

std::int64_t heardFrame(const jingle_player& player) {
  const std::int64_t blocks = player.engine->output.heardBlocks.load(std::memory_order_relaxed);
  const std::int64_t frame = player.deviceStart + blocks * player.engine->output.blockFrames;
  return frame < player.stopFrame ? frame : player.stopFrame;
}

bool restartDevice(jingle_player& player, std::int64_t frame) {
  PlayerEngine& engine = *player.engine;
  const bool paused = player.paused;
  // A suspended thread cannot be stopped; the device stays paused, so that not a frame of the
  // new place is heard before the pause ends.
  if (paused) player::wakeMixingWhilePaused(engine);
  player::stopSong(engine, engine.output.song);
  if (frame >= player.stopFrame) frame = player.stopFrame;
  if (!startPlayback(player, frame)) {
    backToPull(player, frame);
    return false;
  }
  if (paused) player::parkMixingWhilePaused(engine);
  return true;
}

jingle_status leaveDevice(jingle_player& player) {
  return backToPull(player, heardFrame(player));
}

}  // namespace jingle::internal

using namespace jingle::internal;

extern "C" {

jingle_status jingle_player_play(jingle_player* player) {
  if (player == nullptr) return JINGLE_NULL_ARGUMENT;
  const CallHold hold(player->inUse);
  if (!hold || player->onDevice) return JINGLE_BUSY;
  return guarded([&] {
    const DefaultFloatingPoint environment;
    const std::int64_t frame = pullFrame(*player);
    PlayerEngine& engine = *player->engine;
    endPull(*player);
    if (!player::openOutput(engine, player->rate)) {
      player->onDevice = false;
      if (!startPull(*player) || !seekPull(*player, frame, false)) return JINGLE_OUT_OF_MEMORY;
      return JINGLE_NO_DEVICE;
    }
    player->onDevice = true;
    player->paused = false;
    engine.blockStatus.keep = true;
    if (!startPlayback(*player, frame < player->stopFrame ? frame : player->stopFrame)) {
      backToPull(*player, frame);
      return JINGLE_OUT_OF_MEMORY;
    }
    return JINGLE_OK;
  });
}

jingle_status jingle_player_pause(jingle_player* player, int32_t paused) {
  if (player == nullptr) return JINGLE_NULL_ARGUMENT;
  const CallHold hold(player->inUse);
  if (!hold) return JINGLE_BUSY;
  if (!player->onDevice) return JINGLE_NOT_PLAYING;
  if (player->paused != (paused != 0)) {
    player->paused = player::togglePause(*player->engine) == 1;
  }
  return JINGLE_OK;
}

jingle_status jingle_player_stop(jingle_player* player) {
  if (player == nullptr) return JINGLE_NULL_ARGUMENT;
  const CallHold hold(player->inUse);
  if (!hold) return JINGLE_BUSY;
  if (!player->onDevice) return JINGLE_NOT_PLAYING;
  return guarded([&] {
    const DefaultFloatingPoint environment;
    return leaveDevice(*player);
  });
}

int32_t jingle_player_playing(const jingle_player* player) {
  if (player == nullptr) return 0;
  const CallHold hold(player->inUse);
  return hold && player->onDevice && heardFrame(*player) < player->stopFrame ? 1 : 0;
}

}  // extern "C"
