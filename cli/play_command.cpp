// jingle play: plays a module on the default sound device until the user stops it, with a status
// line that shows the audible order, row and time.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "cli/commands.h"
#include "cli/module_file.h"
#include "cli/terminal.h"
#include "player/audio_output.h"
#include "player/load/xm_loader.h"
#include "player/player.h"

namespace cli {

namespace {

constexpr int KEY_POLL_MS = 50;
constexpr int CTRL_C = 3;

struct PlayOptions {
  std::string path;
  double seconds = 0.0;  // 0: until stopped
};

bool parseSeconds(const std::string& text, double& seconds) {
  char* end = nullptr;
  seconds = std::strtod(text.c_str(), &end);
  return !text.empty() && end != nullptr && *end == '\0' && seconds > 0.0 && seconds < 1e7;
}

// EXIT_OK with the options filled, or EXIT_BAD_INPUT after a line on stderr.
int parseOptions(const std::vector<std::string>& args, PlayOptions& options) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--seconds") {
      if (i + 1 >= args.size() || !parseSeconds(args[i + 1], options.seconds)) {
        std::fputs("jingle: --seconds wants a number of seconds above 0\n", stderr);
        return EXIT_BAD_INPUT;
      }
      ++i;
    } else if (arg.size() > 1 && arg[0] == '-') {
      std::fprintf(stderr, "jingle: play: unknown option '%s'\n", arg.c_str());
      return EXIT_BAD_INPUT;
    } else if (options.path.empty()) {
      options.path = arg;
    } else {
      std::fputs("jingle: play takes one module file\n", stderr);
      return EXIT_BAD_INPUT;
    }
  }
  if (options.path.empty()) {
    std::fputs("usage: jingle play FILE [--seconds S]\n", stderr);
    return EXIT_BAD_INPUT;
  }
  return EXIT_OK;
}

// One line, rewritten in place: what the device is playing now.
void showStatus(const player::Song* song, bool paused) {
  const player::BlockInfo heard = player::heardBlockInfo();
  const long tenths = heard.timeMs / 100;
  std::printf("\r  order %3u/%-3d  row %3u  %3ld:%02ld.%ld  %s", static_cast<unsigned>(heard.order),
              static_cast<int>(song->songLength), static_cast<unsigned>(heard.row), tenths / 600,
              tenths / 10 % 60, tenths % 10, paused ? "[paused]" : "        ");
  std::fflush(stdout);
}

// Plays until q, Ctrl-C, a termination signal or the end of the allotted time.
void playUntilStopped(const player::Song* song, const PlayOptions& options) {
  const bool status = stdoutIsTerminal();
  if (status && stdinIsTerminal()) {
    std::fputs("  space pauses and resumes, q stops\n", stdout);
  }
  bool paused = false;
  double played = 0.0;
  auto last = std::chrono::steady_clock::now();
  for (;;) {
    if (status) showStatus(song, paused);
    const int key = waitForKey(KEY_POLL_MS);
    const auto now = std::chrono::steady_clock::now();
    if (!paused) played += std::chrono::duration<double>(now - last).count();
    last = now;
    if (stopSignalled() || key == 'q' || key == 'Q' || key == CTRL_C) break;
    if (key == ' ') paused = player::togglePause() == 1;
    if (options.seconds > 0.0 && played >= options.seconds) break;
  }
  if (status) std::fputs("\n", stdout);
}

}  // namespace

int runPlay(const std::vector<std::string>& args) {
  PlayOptions options;
  if (const int code = parseOptions(args, options); code != EXIT_OK) return code;

  ModuleFile file;
  if (const int code = openModuleFile(options.path, file); code != EXIT_OK) return code;
  // The player loads its own song from the image; this one only proved the module playable.
  player::freeSong(file.song);
  file.song = nullptr;

  catchStopSignals();
  const player::Song* song = player::playModule(file.image);
  if (song == nullptr) {
    const bool noDevice = player::audioOutput.device == nullptr;
    player::playModule(nullptr);
    closeModuleFile(file);
    if (noDevice) {
      std::fprintf(stderr,
                   "jingle: no sound device to play on; 'jingle render %s' writes a WAV file\n",
                   options.path.c_str());
      return EXIT_NO_DEVICE;
    }
    std::fprintf(stderr, "jingle: %s: cannot start playback\n", options.path.c_str());
    return EXIT_OUTPUT_FAILED;
  }

  beginKeyInput();
  playUntilStopped(song, options);
  player::playModule(nullptr);  // a paused player is resumed and stopped
  endKeyInput();
  closeModuleFile(file);
  return EXIT_OK;
}

}  // namespace cli
