// The one song the library's engine plays or renders. The library keeps a single engine, so it
// lets a single module use it at a time and answers BUSY to a second.
#pragma once

#include <atomic>

#include "jingle/module.h"
#include "player/engine.h"

namespace jingle::internal {

enum class EngineUse : int { IDLE, PLAYING, RENDERING };

struct EngineState {
  std::atomic<EngineUse> use{EngineUse::IDLE};
  Module* module = nullptr;  // the module in use, null when idle
  player::Engine engine{};
};

extern EngineState engineState;

// Ends whatever the module is used for; nothing when it is not in use.
void releaseEngine(const Module* module);

// Ends device playback or rendering of the module in use. Defined with each.
void endPlayback();
void endRender();

}  // namespace jingle::internal
