// What a jingle_player is inside the library: an engine of its own, the module it holds a
// reference to, the settings that decide where its song stops, and where it stands: handing out
// the frames of rendered blocks, or on the sound device.
#pragma once

#include <atomic>
#include <cstdint>

#include "jingle/jingle.h"
#include "player/engine.h"

namespace jingle::internal {

// The song's state as one tick left it, and the frame the tick began at.
struct TickFact {
  std::int64_t frame;
  std::int32_t order, row, speed, bpm;
};
constexpr int TICK_LOG_SIZE = 16;  // more ticks than a block holds at any sane tempo

// A player's engine, with what the player keeps of every tick: the player's own tick handler
// stands between the block renderer and the song's, counts the ticks' frames, keeps the last
// ticks' facts and ends the song at its stop frame (every voice silent from there on).
struct PlayerEngine : player::Engine {
  player::TickHandler songTick;  // the handler the player's stands in for
  std::int64_t nextTickFrame;    // first frame of the next tick, counted from the song's start
  std::int64_t stopFrame;        // the song stops at the first tick at or after this frame
  bool stopped;
  TickFact ticks[TICK_LOG_SIZE];  // the last ticks, tick n at n % TICK_LOG_SIZE
  std::int64_t tickCount;
};

// Handing out rendered frames. The engine renders one block at a time into a one-block ring.
struct PullState {
  std::int64_t played;       // frames the engine has moved past: the next block's first frame
  std::int64_t blockStart;   // first frame of the block in the ring
  std::int32_t blockFrames;  // frames of that block that belong to the song
  std::int32_t handedOut;    // frames of it handed out
  bool holdsBlock;           // a block has been rendered since the song started
  bool lastBlock;            // the song stops in that block
  bool ended;                // a seek went to the stop frame or past it
};

}  // namespace jingle::internal

struct jingle_player {
  mutable std::atomic<bool> inUse{false};  // one call at a time
  const jingle_module* module = nullptr;   // one reference held
  jingle::internal::PlayerEngine* engine = nullptr;
  std::int32_t rate = 0;
  std::int32_t rounds = 1;
  std::int64_t frameLimit = -1;
  std::int64_t stopFrame = 0;  // from rounds, the time limit and the frame limit
  jingle::internal::PullState pull{};
  bool onDevice = false;
  bool paused = false;
  std::int64_t deviceStart = 0;  // the song's frame at the start of the ring handed to the device
  // Where the song starts when it starts again: order position startOrder (-1: the song's
  // start), row startRow.
  std::int32_t startOrder = -1;
  // What the frames handed out so far lose when rounded to 16 bits (jingle_player_clipping); the
  // peak at the 16-bit scale.
  std::uint64_t clipped = 0;
  float peak = 0.0f;
  std::int32_t startRow = 0;
};

namespace jingle::internal {

// Where the song stops with the player's settings: its natural end after rounds (within the
// time limit) unless endless, the frame limit; INT64_MAX for neither.
std::int64_t stopFrameOf(const jingle_player& player);

// Puts the player's tick handler in front of the song the engine has just begun.
void watchTicks(jingle_player& player);

// Pull rendering: the one-block ring and the song begun (false, holding nothing, when memory
// runs out); the song begun again from its start; what startPull took, freed.
bool startPull(jingle_player& player);
bool restartPull(jingle_player& player);
void endPull(jingle_player& player);

// Plays the next block, rendered or only moved through; false once the song has stopped.
bool nextBlock(jingle_player& player, bool audible);

// The next frame to hand out, counted from the song's start.
std::int64_t pullFrame(const jingle_player& player);

// Moves pull rendering to frame: the block that holds it rendered, from the song's start when
// it lies behind (or always, with restart). False when memory runs out.
bool seekPull(jingle_player& player, std::int64_t frame, bool restart);

// The song's state at frame, from the ticks of the block in the ring.
TickFact tickFactAt(const jingle_player& player, std::int64_t frame);

// Voices holding a sample with some gain.
std::int32_t soundingVoices(const player::Engine& engine);

// The device: where the playback stands, as the listener hears it; the frame heard now; the
// playback moved to frame (false, the player back to pull rendering at frame, when memory runs
// out); the playback ended and the player back to pull rendering at what was heard.
jingle_position devicePosition(const jingle_player& player);
std::int64_t heardFrame(const jingle_player& player);
bool restartDevice(jingle_player& player, std::int64_t frame);
jingle_status leaveDevice(jingle_player& player);

}  // namespace jingle::internal
