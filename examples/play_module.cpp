// Plays a module on the sound device through the library's own real-time path, showing where
// the song is, until Enter is pressed (or for --seconds S).
//
//   play_module FILE [--seconds S]
//
// Exit code 0, 2 when the module cannot be loaded, 3 when there is no sound device.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include <jingle/module.h>
#include <jingle/playback.h>
#include <jingle/render.h>
#include <jingle/status.h>
#include <jingle/version.h>

int main(int argc, char** argv) {
  if (argc != 2 && !(argc == 4 && std::strcmp(argv[2], "--seconds") == 0)) {
    std::fprintf(stderr, "usage: play_module FILE [--seconds S]\n");
    return 2;
  }
  jingle::LoadFailure failure{};
  jingle::Module* module = jingle::loadModuleFile(argv[1], &failure);
  if (module == nullptr) {
    std::fprintf(stderr, "play_module: %s: %s\n", argv[1], failure.reason);
    return 2;
  }
  jingle::ModuleFacts facts{};
  jingle::moduleFacts(module, &facts);
  std::printf("%s (%d channels, %s)\n", facts.title, facts.channels, facts.tracker);

  const jingle::Status status = jingle::play(module);
  if (status != jingle::Status::OK) {
    std::fprintf(stderr, "play_module: cannot play: %s\n", jingle::statusText(status));
    jingle::freeModule(module);
    return status == jingle::Status::NO_DEVICE ? 3 : 1;
  }
  if (argc == 4) {
    const auto end = std::chrono::steady_clock::now() +
                     std::chrono::milliseconds(static_cast<long>(std::atof(argv[3]) * 1000));
    while (std::chrono::steady_clock::now() < end) {
      jingle::Position heard{};
      jingle::playbackPosition(&heard);
      std::printf("\rorder %3d  row %2d  %6.1f s", heard.order, heard.row, heard.timeMs / 1000.0);
      std::fflush(stdout);
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    std::printf("\n");
  } else {
    std::printf("playing; press Enter to stop\n");
    std::getchar();
  }
  jingle::stop();
  jingle::freeModule(module);
  return 0;
}
