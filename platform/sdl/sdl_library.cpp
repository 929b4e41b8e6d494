#include "platform/sdl/sdl_library.h"

#include <dlfcn.h>

#include <mutex>

namespace platform::sdl {
namespace {

constexpr const char* LIBRARY = "libSDL2-2.0.so.0";

template <typename Function>
bool resolve(void* library, const char* name, Function& function) {
  function = reinterpret_cast<Function>(dlsym(library, name));
  return function != nullptr;
}

const AudioFunctions* load() {
  static AudioFunctions functions;
  void* library = dlopen(LIBRARY, RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) return nullptr;
  const bool complete = resolve(library, "SDL_InitSubSystem", functions.initSubSystem) &&
                        resolve(library, "SDL_QuitSubSystem", functions.quitSubSystem) &&
                        resolve(library, "SDL_OpenAudioDevice", functions.openAudioDevice) &&
                        resolve(library, "SDL_CloseAudioDevice", functions.closeAudioDevice) &&
                        resolve(library, "SDL_PauseAudioDevice", functions.pauseAudioDevice) &&
                        resolve(library, "SDL_LockAudioDevice", functions.lockAudioDevice) &&
                        resolve(library, "SDL_UnlockAudioDevice", functions.unlockAudioDevice);
  if (complete) return &functions;
  dlclose(library);
  return nullptr;
}

}  // namespace

const AudioFunctions* audioFunctions() {
  static std::once_flag once;
  static const AudioFunctions* functions = nullptr;
  std::call_once(once, [] { functions = load(); });
  return functions;
}

}  // namespace platform::sdl
