#include "lib/engine_use.h"

namespace jingle::internal {

EngineState engineState;

void releaseEngine(const Module* module) {
  if (module == nullptr || engineState.module != module) return;
  if (engineState.use == EngineUse::PLAYING) endPlayback();
  if (engineState.use == EngineUse::RENDERING) endRender();
}

}  // namespace jingle::internal
