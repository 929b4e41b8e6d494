// One player: everything that changes while it plays a song. Each engine owns its output and
// ring, its voices, channels, end watch, status log and pitch memo, and the copy of the song it
// plays; loaded songs are only read. Engines share nothing that changes, so any number of them
// play or render at once, each on its own threads. A zero-filled engine (Engine{}) is an idle
// one.
#pragma once

#include <atomic>
#include <cstdint>

#include "player/audio_output.h"
#include "player/block_status.h"
#include "player/mixer/interpolation.h"
#include "player/mixer/voice.h"
#include "player/playing_song.h"
#include "player/replay/channel.h"
#include "player/replay/it_player.h"
#include "player/replay/pitch_memo.h"
#include "player/replay/song_flow.h"
#include "player/song_end_watch.h"

namespace player {

// 32-bit words of a mask with one bit for each channel a song may have.
constexpr int CHANNEL_MASK_WORDS = SONG_CHANNELS / 32;

struct Engine {
  AudioOutput output;
  VoicePool voicePool;
  // How the mixer reads the voices' samples: linear unless set (zero is linear). Any thread may
  // set it; it holds from the next tick's frames on. The first sinc mix builds the filter's
  // tables (about a millisecond) unless prepareSincTables (player/mixer/sinc_table.h) has.
  std::atomic<Interpolation> interpolation;
  // One record per song channel; the song's first channelCount are used.
  Channel channelTable[MAX_CHANNELS];
  // What the song's flow keeps from row to row: its channels' pattern loops and tempo memories.
  FlowMemory flowMemory;
  // A tempo the last row set that takes effect at the next tick; 0: none (song_flow.h).
  std::int32_t pendingTempo;
  // Bit c % 32 of word c / 32 set: song channel c (counted from 0) is muted. Any thread may set
  // them (channel_mute.h).
  std::atomic<std::uint32_t> mutedChannels[CHANNEL_MASK_WORDS];
  // Bit c % 32 of word c / 32 set: channel c plays at channelVolumes[c] (0 .. 1) of its volume;
  // clear, at its full volume. Any thread may set them, the volume before the bit.
  std::atomic<std::uint32_t> scaledChannels[CHANNEL_MASK_WORDS];
  std::atomic<float> channelVolumes[SONG_CHANNELS];
  // The factor every mixed frame is multiplied by before it is clipped; 0 leaves the mix as it
  // is. Any thread may set it.
  std::atomic<float> outputGain;
  // How every mixed frame's side (half the difference of left and right) is scaled before the
  // gain: by 1 + sideChange, so 0 leaves the frames as mixed and -1 makes them mono. Any thread
  // may set it.
  std::atomic<float> sideChange;
  SongEndWatch endWatch;
  BlockStatusLog blockStatus;
  PitchMemo pitchMemo;
  PlayingSong playing;
  // An Impulse Tracker song's channels and notes (idle for other songs).
  ItPlayer it;
};

}  // namespace player
