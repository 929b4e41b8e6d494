// jingle play FILE...: plays each module on the default sound device in turn, to its natural end
// as the listener hears it (or N times round, or until stopped), with a status line and keys for
// pause, next, previous and quit.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "cli/channel_list.h"
#include "cli/commands.h"
#include "cli/help_text.h"
#include "cli/module_file.h"
#include "cli/options.h"
#include "cli/play_screen.h"
#include "cli/seek_point.h"
#include "cli/terminal.h"
#include "cli/tool_engine.h"
#include "player/audio_output.h"
#include "player/block_status.h"
#include "player/load/xm_loader.h"
#include "player/offline_render.h"
#include "player/player.h"
#include "player/replay/channel_mute.h"
#include "player/song_end.h"

namespace cli {

namespace {

constexpr int KEY_POLL_MS = 50;
constexpr int CTRL_C = 3;
constexpr int ESCAPE = 27;
// The heard time moves a block at a time: the end's block has been heard once the one after it
// is playing.
constexpr std::int64_t BLOCK_MS = 20;
constexpr std::int64_t SEEK_STEP_MS = 5000;

struct PlayOptions {
  std::vector<std::string> paths;
  double seconds = 0.0;  // 0: no limit
  std::int32_t loops = 1;
  bool endless = false;
  std::int64_t startMs = 0;
  std::uint32_t muted = 0;  // channels silenced by --mute and --solo, at each module's start
};

bool parseSeconds(const std::string& text, double& seconds) {
  char* end = nullptr;
  seconds = std::strtod(text.c_str(), &end);
  return !text.empty() && end != nullptr && *end == '\0' && seconds > 0.0 && seconds < 1e7;
}

// "90", "90.5", "1:30" or "1:30.5": milliseconds, or -1.
std::int64_t parseTime(const std::string& text) {
  const std::size_t colon = text.find(':');
  double minutes = 0.0;
  char* end = nullptr;
  if (colon != std::string::npos) {
    const std::string head = text.substr(0, colon);
    minutes = std::strtod(head.c_str(), &end);
    if (head.empty() || *end != '\0' || head.find_first_not_of("0123456789") != std::string::npos) {
      return -1;
    }
  }
  const std::string tail = colon == std::string::npos ? text : text.substr(colon + 1);
  const double seconds = std::strtod(tail.c_str(), &end);
  if (tail.empty() || *end != '\0' || !(seconds >= 0.0) || tail[0] == '-' || tail[0] == '+' ||
      (colon != std::string::npos && seconds >= 60.0) || minutes * 60 + seconds > 1e7) {
    return -1;
  }
  return static_cast<std::int64_t>((minutes * 60 + seconds) * 1000 + 0.5);
}

int usageError(const char* message) {
  std::fprintf(stderr, "jingle: play: %s (see 'jingle play --help')\n", message);
  return EXIT_BAD_INPUT;
}

// EXIT_OK with the options filled, or EXIT_BAD_INPUT after a line on stderr.
int parseOptions(const std::vector<std::string>& args, PlayOptions& options, bool& help) {
  ParsedArguments parsed;
  const std::vector<OptionSpec> specs = {
      {"seconds", 0, true}, {"start", 's', true}, {"loops", 'l', true}, {"endless", 'e', false},
      {"mute", 0, true},    {"solo", 0, true},    {"help", 'h', false}};
  if (!parseArguments("play", args, specs, parsed)) return EXIT_BAD_INPUT;
  help = hasOption(parsed, "help");
  if (help) return EXIT_OK;
  std::uint32_t lists[2] = {0, 0};  // --mute, --solo
  for (const ParsedOption& option : parsed.options) {
    if (option.name == "mute" || option.name == "solo") {
      std::uint32_t channels = 0;
      if (!parseChannelList(option.value, channels)) {
        return usageError("--mute and --solo take channels 1 to 32, such as 1,3,5-8");
      }
      lists[option.name == "solo" ? 1 : 0] |= channels;
    }
    if (option.name == "start" && (options.startMs = parseTime(option.value)) < 0) {
      return usageError("--start takes a time such as 90, 1:30 or 1:30.5");
    }
    if (option.name == "seconds" && !parseSeconds(option.value, options.seconds)) {
      return usageError("--seconds wants a number of seconds above 0");
    }
    if (option.name == "loops") {
      char* end = nullptr;
      const long loops = std::strtol(option.value.c_str(), &end, 10);
      if (option.value.empty() || *end != '\0' || loops < 1 || loops > 1000000) {
        return usageError("--loops needs a whole number, 1 or more");
      }
      options.loops = static_cast<std::int32_t>(loops);
    }
  }
  options.muted =
      mutedByLists(hasOption(parsed, "mute"), lists[0], hasOption(parsed, "solo"), lists[1]);
  options.endless = hasOption(parsed, "endless");
  if (options.endless && hasOption(parsed, "loops")) {
    return usageError("--loops and --endless cannot be used together");
  }
  options.paths = parsed.operands;
  if (options.paths.empty()) return usageError("no FILE given");
  return EXIT_OK;
}

enum class Next { FORWARD, BACK, QUIT, SEEK };

// Plays the started song until its end is heard, the time allotted runs out or a key or signal
// says otherwise; for SEEK, seek says where to.
Next playUntilDone(const player::Song* song, const PlayOptions& options, std::int64_t totalMs,
                   SeekTarget& seek) {
  const bool status = stdoutIsTerminal();
  bool paused = false;
  double played = 0.0;
  auto last = std::chrono::steady_clock::now();
  for (;;) {
    const player::BlockInfo heard = player::heardBlockInfo(toolEngine);
    if (status) drawStatus(song, heard, player::heardBlockStatus(toolEngine), totalMs, paused);
    if (totalMs >= 0 && heard.timeMs >= totalMs + BLOCK_MS) return Next::FORWARD;
    const int key = waitForKey(KEY_POLL_MS);
    const auto now = std::chrono::steady_clock::now();
    if (!paused) played += std::chrono::duration<double>(now - last).count();
    last = now;
    if (stopSignalled() || key == 'q' || key == 'Q' || key == CTRL_C || key == ESCAPE) {
      return Next::QUIT;
    }
    if (key == ' ') paused = player::togglePause(toolEngine) == 1;
    if (key == 'n' || key == 'N' || key == '\n' || key == '\r') return Next::FORWARD;
    if (key == 'p' || key == 'P') return Next::BACK;
    if (key == KEY_LEFT || key == KEY_RIGHT) {
      const std::int64_t to = heard.timeMs + (key == KEY_LEFT ? -SEEK_STEP_MS : SEEK_STEP_MS);
      seek = SeekTarget{false, to > 0 ? to : 0, 0};
      return Next::SEEK;
    }
    if (key == KEY_UP || key == KEY_DOWN) {
      const std::int32_t to = heard.order + (key == KEY_DOWN ? -1 : 1);
      seek = SeekTarget{true, 0, to > 0 ? to : 0};
      return Next::SEEK;
    }
    if ((key == 'h' || key == '?') && status) showKeys();
    if (key >= '0' && key <= '9') {
      const int channel = key == '0' ? 9 : key - '1';
      const std::uint32_t muted =
          toolEngine.mutedChannels.fetch_xor(1u << channel) ^ (1u << channel);
      if (status)
        showMessage(std::string("  muted: ").append(muted == 0 ? "none" : channelNumbers(muted)));
    }
    if (options.seconds > 0.0 && played >= options.seconds) return Next::FORWARD;
  }
}

// Plays one module; EXIT_OK with next set, or the exit code after a line on stderr. A seek
// restarts play at its target.
int playOne(const std::string& path, std::size_t index, const PlayOptions& options, Next& next) {
  ModuleFile file;
  if (const int code = openModuleFile(path, file); code != EXIT_OK) return code;
  const std::int64_t endFrames =
      options.endless ? -1
                      : player::songEndFrame(file.song, options.loops, player::MAX_NATURAL_FRAMES,
                                             player::OFFLINE_RATE);
  const std::int64_t totalMs = endFrames < 0 ? -1 : endFrames * 1000 / player::OFFLINE_RATE;
  // The player loads its own song from the image; this one only proved the module playable.
  player::freeSong(file.song);
  file.song = nullptr;

  toolEngine.mutedChannels = options.muted;
  SeekTarget seek{false, options.startMs, 0};
  bool first = true;
  next = Next::SEEK;
  while (next == Next::SEEK) {
    const std::int64_t skip = blocksBefore(file.image, seek, endFrames);
    if (skip < 0) {  // past the end
      next = Next::FORWARD;
      break;
    }
    const player::Song* song = player::playModule(toolEngine, file.image, skip);
    if (song == nullptr) {
      const bool noDevice = toolEngine.output.device == nullptr;
      player::playModule(toolEngine, nullptr);
      closeModuleFile(file);
      if (noDevice) {
        std::fprintf(stderr,
                     "jingle: no sound device to play on; 'jingle render %s' writes a WAV file\n",
                     path.c_str());
        return EXIT_NO_DEVICE;
      }
      std::fprintf(stderr, "jingle: %s: cannot start playback\n", path.c_str());
      return EXIT_OUTPUT_FAILED;
    }
    if (first && stdoutIsTerminal()) {
      showModuleHeader(path, index, options.paths.size(), file.image, song, totalMs);
    }
    first = false;
    next = playUntilDone(song, options, totalMs, seek);
    player::playModule(toolEngine, nullptr);  // a paused player is resumed and stopped
  }
  if (stdoutIsTerminal() && !first) leaveStatus();
  closeModuleFile(file);
  return EXIT_OK;
}

}  // namespace

int runPlay(const std::vector<std::string>& args) {
  PlayOptions options;
  bool help = false;
  if (const int code = parseOptions(args, options, help); code != EXIT_OK) return code;
  if (help) return printHelp("play");

  catchStopSignals();
  beginKeyInput();
  toolEngine.blockStatus.keep = stdoutIsTerminal();
  if (stdoutIsTerminal() && stdinIsTerminal()) {
    std::fputs("  space pauses and resumes, n next, p previous, q stops, h shows the keys\n",
               stdout);
  }
  // A module that cannot be used is reported and skipped; the exit code is the first failure's.
  // With no sound device nothing more can be played.
  int result = EXIT_OK;
  std::size_t index = 0;
  Next next = Next::FORWARD;
  while (index < options.paths.size() && !stopSignalled()) {
    next = Next::FORWARD;
    const int code = playOne(options.paths[index], index, options, next);
    if (result == EXIT_OK) result = code;
    if (code == EXIT_NO_DEVICE || next == Next::QUIT) break;
    if (next == Next::BACK) {
      index = index > 0 ? index - 1 : 0;
    } else {
      ++index;
    }
  }
  endKeyInput();
  return result;
}

}  // namespace cli
