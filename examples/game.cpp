// A game's sound, the way a game would use the library: music going round endlessly on the
// sound device, and a short jingle over it (a level won, say) on a stream of its own, while the
// music plays on. The C++ types own the module and the players: nothing to free by hand.
//   game MUSIC JINGLE [--seconds S]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include <jingle/jingle.h>

namespace {

bool load(const char* path, jingle::Module& module) {
  if (jingle::Module::loadFile(path, module) == JINGLE_OK) return true;
  std::fprintf(stderr, "game: %s: %s\n", path, jingle::loadReason());
  return false;
}

void show(const char* name, const jingle::Player& player) {
  jingle::Position position{};
  player.position(position);
  std::printf("%s: order %d, pattern %d, row %d, %d voices\n", name, position.order,
              position.pattern, position.row, position.voices);
}

}  // namespace

int main(int argc, char** argv) {
  double seconds = 3.0;
  if (argc == 5 && std::strcmp(argv[3], "--seconds") == 0) seconds = std::atof(argv[4]);
  if (argc != 3 && argc != 5) {
    std::fputs("usage: game MUSIC JINGLE [--seconds S]\n", stderr);
    return 2;
  }
  jingle::Module music, fanfare;
  if (!load(argv[1], music) || !load(argv[2], fanfare)) return 1;

  jingle::Player background, effect;
  if (jingle::Player::create(music, 48000, background) != JINGLE_OK ||
      jingle::Player::create(fanfare, 44100, effect) != JINGLE_OK) {
    return 1;
  }
  background.setRounds(JINGLE_ENDLESS);
  background.setGain(-6.0);  // the music a little lower under the jingle
  if (const jingle::Status status = background.play(); status != JINGLE_OK) {
    std::fprintf(stderr, "game: %s\n", jingle::statusText(status));
    return status == JINGLE_NO_DEVICE ? 3 : 1;
  }

  const auto start = std::chrono::steady_clock::now();
  const auto elapsed = [&] {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };
  bool played = false;
  while (elapsed() < seconds) {
    if (!played && elapsed() >= seconds / 4) {
      played = effect.play() == JINGLE_OK;
      if (played) show("jingle started", effect);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  show("music", background);
  std::printf("jingle %s\n", effect.playing() ? "still playing" : "over");
  return played ? 0 : 1;
}
