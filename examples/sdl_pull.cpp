// Pulls a module's frames into an SDL2 audio callback of its own, as a game that mixes its own
// sound would: the library renders at the device's rate, any number of frames per callback, and
// the program stops when the song has come to its natural end.
//
//   sdl_pull FILE [--rate R] [--float] [--record OUT]
//
// --float asks the device for float samples and renders floats; --record also writes every frame
// the callback pulled to OUT as raw PCM (to compare with `jingle render --raw`).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <SDL.h>
#include <jingle/module.h>
#include <jingle/playback.h>
#include <jingle/render.h>
#include <jingle/status.h>
#include <jingle/version.h>

namespace {

struct Pull {
  bool useFloat = false;
  std::FILE* record = nullptr;
};

void SDLCALL fillAudio(void* user, Uint8* stream, int length) {
  const Pull& pull = *static_cast<Pull*>(user);
  const std::size_t frameBytes = pull.useFloat ? 2 * sizeof(float) : 2 * sizeof(std::int16_t);
  const std::size_t frames = static_cast<std::size_t>(length) / frameBytes;
  const std::size_t got =
      pull.useFloat ? jingle::renderFrames(reinterpret_cast<float*>(stream), frames)
                    : jingle::renderFrames(reinterpret_cast<std::int16_t*>(stream), frames);
  if (pull.record != nullptr) std::fwrite(stream, frameBytes, got, pull.record);
  std::memset(stream + got * frameBytes, 0, (frames - got) * frameBytes);  // after the end
}

}  // namespace

int main(int argc, char** argv) {
  const char* path = nullptr;
  const char* recordPath = nullptr;
  int rate = 44100;
  Pull pull;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--rate" && i + 1 < argc) {
      rate = std::atoi(argv[++i]);
    } else if (arg == "--record" && i + 1 < argc) {
      recordPath = argv[++i];
    } else if (arg == "--float") {
      pull.useFloat = true;
    } else if (path == nullptr && arg[0] != '-') {
      path = argv[i];
    } else {
      path = nullptr;
      break;
    }
  }
  if (path == nullptr) {
    std::fprintf(stderr, "usage: sdl_pull FILE [--rate R] [--float] [--record OUT]\n");
    return 2;
  }
  jingle::LoadFailure failure{};
  jingle::Module* module = jingle::loadModuleFile(path, &failure);
  if (module == nullptr) {
    std::fprintf(stderr, "sdl_pull: %s: %s\n", path, failure.reason);
    return 2;
  }
  if (recordPath != nullptr && (pull.record = std::fopen(recordPath, "wb")) == nullptr) {
    std::fprintf(stderr, "sdl_pull: cannot write %s\n", recordPath);
    jingle::freeModule(module);
    return 1;
  }

  if (SDL_Init(SDL_INIT_AUDIO) != 0) {
    std::fprintf(stderr, "sdl_pull: no audio: %s\n", SDL_GetError());
    jingle::freeModule(module);
    return 3;
  }
  SDL_AudioSpec wanted{};
  wanted.freq = rate;
  wanted.format = pull.useFloat ? AUDIO_F32SYS : AUDIO_S16SYS;
  wanted.channels = 2;
  wanted.samples = 1024;
  wanted.callback = fillAudio;
  wanted.userdata = &pull;
  SDL_AudioSpec got{};
  // No changes allowed: SDL converts whatever the device needs from exactly this format.
  const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &got, 0);
  if (device == 0) {
    std::fprintf(stderr, "sdl_pull: no sound device: %s\n", SDL_GetError());
    jingle::freeModule(module);
    SDL_Quit();
    return 3;
  }
  const jingle::Status status = jingle::startRender(module, jingle::RenderSettings{rate, 1});
  if (status != jingle::Status::OK) {
    std::fprintf(stderr, "sdl_pull: cannot render: %s\n", jingle::statusText(status));
    jingle::freeModule(module);
    SDL_CloseAudioDevice(device);
    SDL_Quit();
    return 1;
  }
  SDL_PauseAudioDevice(device, 0);
  bool finished = false;
  while (!finished) {
    SDL_Delay(20);
    SDL_LockAudioDevice(device);  // the callback does not run while the lock is held
    finished = jingle::renderFinished();
    jingle::Position position{};
    jingle::renderPosition(&position);
    SDL_UnlockAudioDevice(device);
    std::printf("\rorder %3d  row %2d  %6.1f s", position.order, position.row,
                position.timeMs / 1000.0);
    std::fflush(stdout);
  }
  std::printf("\n");
  SDL_CloseAudioDevice(device);  // no callback runs after this
  jingle::stopRender();
  jingle::freeModule(module);
  SDL_Quit();
  const bool recorded = pull.record == nullptr || std::fclose(pull.record) == 0;
  return recorded ? 0 : 1;
}
