// SDL's audio functions, reached through the shared library loaded at the first device open
// rather than linked: commands that never play start without loading SDL and the many
// libraries behind it.
#pragma once

#include <SDL.h>

namespace platform::sdl {

struct AudioFunctions {
  decltype(&SDL_InitSubSystem) initSubSystem;
  decltype(&SDL_QuitSubSystem) quitSubSystem;
  decltype(&SDL_OpenAudioDevice) openAudioDevice;
  decltype(&SDL_CloseAudioDevice) closeAudioDevice;
  decltype(&SDL_PauseAudioDevice) pauseAudioDevice;
  decltype(&SDL_LockAudioDevice) lockAudioDevice;
  decltype(&SDL_UnlockAudioDevice) unlockAudioDevice;
};

// The functions, loading the library on the first call; null when it cannot be loaded or lacks
// one of them. The library stays loaded until the process ends.
const AudioFunctions* audioFunctions();

}  // namespace platform::sdl
