// The player's calls: making and freeing one, pulling its frames, seeking, where it stands, and
// its settings. On the device, seeks and settings act on the playback (device_playback.cpp).
#include <cmath>
#include <cstring>

#include "lib/api_guard.h"
#include "lib/module_record.h"
#include "lib/player_record.h"
#include "player/mixer/sinc_table.h"
#include "player/pcm_clip.h"
#include "player/player.h"
#include "player/replay/channel_mute.h"
#include "player/replay/pitch.h"
#include "player/song_end.h"

using namespace jingle::internal;

namespace {

constexpr float FULL_SCALE = 32768.0f;
constexpr double MIN_GAIN_DB = -60.0;
constexpr double MAX_GAIN_DB = 24.0;
constexpr double DB_PER_DOUBLING = 6.0;
constexpr int32_t MAX_STEREO_PERCENT = 200;

const float* mixOf(const jingle_player& player) {
  return player.engine->output.mixBuffer + 2 * player.pull.handedOut;
}

void copyFrames(jingle_player& player, std::int16_t* destination, std::size_t count) {
  const std::int16_t* ring = player.engine->output.waveBuffer + 2 * player.pull.handedOut;
  std::memcpy(destination, ring, count * 2 * sizeof(std::int16_t));
  player::measureClipping(mixOf(player), count * 2, player.clipped, player.peak);
}

void copyFrames(jingle_player& player, float* destination, std::size_t count) {
  const float* mix = mixOf(player);
  for (std::size_t i = 0; i < count * 2; ++i)
    destination[i] = mix[i] / FULL_SCALE;  // a power of two: exact
  player::measureClipping(mix, count * 2, player.clipped, player.peak);
}

template <typename Value>
std::size_t render(jingle_player* player, Value* destination, std::size_t count) {
  if (player == nullptr || destination == nullptr) return 0;
  const CallHold hold(player->inUse);
  if (!hold || player->onDevice) return 0;
  PullState& pull = player->pull;
  std::size_t done = 0;
  while (done < count && !pull.ended) {
    if (pull.handedOut == pull.blockFrames) {
      // Set for the block only: reading the environment costs more than handing out a few
      // frames.
      const DefaultFloatingPoint environment;
      if (!nextBlock(*player, true)) break;
    }
    std::size_t take = static_cast<std::size_t>(pull.blockFrames - pull.handedOut);
    if (take > count - done) take = count - done;
    copyFrames(*player, destination + 2 * done, take);
    pull.handedOut += static_cast<std::int32_t>(take);
    done += take;
  }
  return done;
}

bool pullEnded(const jingle_player& player) {
  const PullState& pull = player.pull;
  return pull.ended || (pull.lastBlock && pull.handedOut == pull.blockFrames);
}

// Moves the player to frame, on the device or off it.
jingle_status seekTo(jingle_player& player, std::int64_t frame, bool restart) {
  const DefaultFloatingPoint environment;
  if (player.onDevice) return restartDevice(player, frame) ? JINGLE_OK : JINGLE_OUT_OF_MEMORY;
  return seekPull(player, frame, restart) ? JINGLE_OK : JINGLE_OUT_OF_MEMORY;
}

// The stop frame set again after a change of rounds or frame limit; a song under way goes on
// from where it stands, as if it had played with the new stop from its start.
jingle_status restop(jingle_player& player) {
  const std::int64_t frame = player.onDevice ? heardFrame(player) : pullFrame(player);
  player.stopFrame = stopFrameOf(player);  // the engine takes it as the song starts again
  if (!player.onDevice && frame == 0 && !player.pull.holdsBlock) {
    return restartPull(player) ? JINGLE_OK : JINGLE_OUT_OF_MEMORY;
  }
  return seekTo(player, frame, true);
}

// A setting of a channel: INVALID_ARGUMENT for one the module does not have.
bool channelOf(const jingle_player& player, std::int32_t channel) {
  return channel >= 0 && channel < player.module->song->channelCount &&
         channel < JINGLE_MAX_CHANNELS;
}

}  // namespace

extern "C" {

jingle_status jingle_player_create(const jingle_module* module, int32_t rate, jingle_player** out) {
  if (out == nullptr) return JINGLE_NULL_ARGUMENT;
  *out = nullptr;
  if (module == nullptr) return JINGLE_NULL_ARGUMENT;
  if (rate < JINGLE_MIN_RATE || rate > JINGLE_MAX_RATE) return JINGLE_INVALID_ARGUMENT;
  return guarded([&] {
    const DefaultFloatingPoint environment;
    auto* player = new (std::nothrow) jingle_player;
    auto* engine = new (std::nothrow) PlayerEngine{};
    if (player == nullptr || engine == nullptr) {
      delete player;
      delete engine;
      return JINGLE_OUT_OF_MEMORY;
    }
    holdModule(module);
    player->module = module;
    player->engine = engine;
    player->rate = rate;
    player->stopFrame = stopFrameOf(*player);
    if (!startPull(*player)) {
      jingle_player_free(player);
      return JINGLE_OUT_OF_MEMORY;
    }
    *out = player;
    return JINGLE_OK;
  });
}

void jingle_player_free(jingle_player* player) {
  if (player == nullptr) return;
  if (player->onDevice) player::playModule(*player->engine, nullptr);  // closes the device
  endPull(*player);
  delete player->engine;
  releaseModule(player->module);
  delete player;
}

size_t jingle_player_render_s16(jingle_player* player, int16_t* frames, size_t count) {
  return render(player, frames, count);
}

size_t jingle_player_render_f32(jingle_player* player, float* frames, size_t count) {
  return render(player, frames, count);
}

jingle_status jingle_player_clipping(const jingle_player* player, uint64_t* clipped, float* peak) {
  if (player == nullptr) return JINGLE_NULL_ARGUMENT;
  const CallHold hold(player->inUse);
  if (!hold) return JINGLE_BUSY;
  if (clipped != nullptr) *clipped = player->clipped;
  if (peak != nullptr) *peak = player->peak / FULL_SCALE;
  return JINGLE_OK;
}

int32_t jingle_player_ended(const jingle_player* player) {
  if (player == nullptr) return 0;
  const CallHold hold(player->inUse);
  return hold && !player->onDevice && pullEnded(*player) ? 1 : 0;
}

jingle_status jingle_player_seek_frame(jingle_player* player, int64_t frame) {
  if (player == nullptr) return JINGLE_NULL_ARGUMENT;
  if (frame < 0) return JINGLE_INVALID_ARGUMENT;
  const CallHold hold(player->inUse);
  if (!hold) return JINGLE_BUSY;
  return guarded([&] { return seekTo(*player, frame, false); });
}

jingle_status jingle_player_seek_order(jingle_player* player, int32_t order, int32_t row) {
  if (player == nullptr) return JINGLE_NULL_ARGUMENT;
  const player::Song& song = *player->module->song;
  if (order < 0 || order >= song.songLength || row < 0) return JINGLE_INVALID_ARGUMENT;
  const std::int32_t pattern = song.orderTable[order];
  const std::int32_t rows = pattern < song.patternSlotCount ? song.patterns[pattern].rows : 0;
  if (row >= (rows > 0 ? rows : 1)) return JINGLE_INVALID_ARGUMENT;
  const CallHold hold(player->inUse);
  if (!hold) return JINGLE_BUSY;
  return guarded([&] {
    const DefaultFloatingPoint environment;
    const std::int64_t limit = std::int64_t{JINGLE_MAX_SECONDS} * player->rate;
    const std::int64_t frame = player::songRowFrame(&song, order, row, limit, player->rate);
    if (frame >= 0) return seekTo(*player, frame, false);
    // Never reached from the start: the song starts there instead, for this start only.
    player->startOrder = order;
    player->startRow = row;
    const jingle_status status = seekTo(*player, 0, true);
    player->startOrder = -1;
    return status;
  });
}

jingle_status jingle_player_position(const jingle_player* player, jingle_position* position,
                                     size_t position_size) {
  if (player == nullptr || position == nullptr) return JINGLE_NULL_ARGUMENT;
  const CallHold hold(player->inUse);
  if (!hold) return JINGLE_BUSY;
  jingle_position where{};
  if (player->onDevice) {
    where = devicePosition(*player);
  } else {
    where.frame = pullFrame(*player);
    const TickFact fact = tickFactAt(*player, where.frame);
    where.order = fact.order;
    where.row = fact.row;
    where.speed = fact.speed;
    where.bpm = fact.bpm;
    where.voices = soundingVoices(*player->engine);
  }
  where.pattern = jingle_module_order_pattern(player->module, where.order);
  std::memcpy(position, &where, position_size < sizeof where ? position_size : sizeof where);
  return JINGLE_OK;
}

jingle_status jingle_player_set_rounds(jingle_player* player, int32_t rounds) {
  if (player == nullptr) return JINGLE_NULL_ARGUMENT;
  if (rounds < 0) return JINGLE_INVALID_ARGUMENT;
  const CallHold hold(player->inUse);
  if (!hold) return JINGLE_BUSY;
  if (rounds == player->rounds) return JINGLE_OK;
  player->rounds = rounds;
  return guarded([&] { return restop(*player); });
}

jingle_status jingle_player_set_frame_limit(jingle_player* player, int64_t frame) {
  if (player == nullptr) return JINGLE_NULL_ARGUMENT;
  const CallHold hold(player->inUse);
  if (!hold) return JINGLE_BUSY;
  if (frame < 0) frame = -1;
  if (frame == player->frameLimit) return JINGLE_OK;
  player->frameLimit = frame;
  return guarded([&] { return restop(*player); });
}

jingle_status jingle_player_set_channel_mute(jingle_player* player, int32_t channel,
                                             int32_t muted) {
  if (player == nullptr) return JINGLE_NULL_ARGUMENT;
  if (!channelOf(*player, channel)) return JINGLE_INVALID_ARGUMENT;
  player::setChannelBit(player->engine->mutedChannels, channel, muted != 0);
  return JINGLE_OK;
}

jingle_status jingle_player_set_channel_volume(jingle_player* player, int32_t channel,
                                               double volume) {
  if (player == nullptr) return JINGLE_NULL_ARGUMENT;
  if (!channelOf(*player, channel) || !(volume >= 0.0 && volume <= 1.0)) {
    return JINGLE_INVALID_ARGUMENT;
  }
  if (volume == 1.0) {
    player::setChannelBit(player->engine->scaledChannels, channel, false);
  } else {
    player->engine->channelVolumes[channel].store(static_cast<float>(volume));
    player::setChannelBit(player->engine->scaledChannels, channel, true, std::memory_order_release);
  }
  return JINGLE_OK;
}

jingle_status jingle_player_set_gain(jingle_player* player, double decibels) {
  if (player == nullptr) return JINGLE_NULL_ARGUMENT;
  if (!(decibels >= MIN_GAIN_DB && decibels <= MAX_GAIN_DB)) return JINGLE_INVALID_ARGUMENT;
  // Six decibels to a doubling, so that whole multiples of six are exact powers of two; the rest
  // through the player's own power function: the same gain, and so the same bytes, everywhere.
  const double doublings = decibels / DB_PER_DOUBLING;
  const double whole = std::floor(doublings);
  const double fraction = doublings - whole;
  const double factor =
      std::ldexp(fraction == 0.0 ? 1.0 : player::power(2.0, fraction), static_cast<int>(whole));
  const float gain = decibels == 0.0 ? 0.0f : static_cast<float>(factor);
  player->engine->outputGain.store(gain);
  return JINGLE_OK;
}

jingle_status jingle_player_set_interpolation(jingle_player* player, int32_t interpolation) {
  if (player == nullptr) return JINGLE_NULL_ARGUMENT;
  player::Interpolation chosen = player::Interpolation::LINEAR;
  switch (interpolation) {
    case JINGLE_INTERPOLATION_LINEAR:
      break;
    case JINGLE_INTERPOLATION_NEAREST:
      chosen = player::Interpolation::NEAREST;
      break;
    case JINGLE_INTERPOLATION_SINC:
      chosen = player::Interpolation::SINC;
      // Built here rather than by the first mix, which may run on the device's thread.
      guarded([] {
        player::prepareSincTables();
        return JINGLE_OK;
      });
      break;
    default:
      return JINGLE_INVALID_ARGUMENT;
  }
  player->engine->interpolation.store(chosen);
  return JINGLE_OK;
}

jingle_status jingle_player_set_stereo(jingle_player* player, int32_t percent) {
  if (player == nullptr) return JINGLE_NULL_ARGUMENT;
  if (percent < 0 || percent > MAX_STEREO_PERCENT) return JINGLE_INVALID_ARGUMENT;
  player->engine->sideChange.store(static_cast<float>(percent - 100) / 100.0f);
  return JINGLE_OK;
}

}  // extern "C"
